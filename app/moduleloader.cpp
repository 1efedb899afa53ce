#include "app/moduleloader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMessageBox>

namespace brivo {

namespace {

// Beside the executable (the build tree), then the install's private library folder.
QStringList moduleFolders()
{
    const QString here = QCoreApplication::applicationDirPath();
    return {here, QDir::cleanPath(here + QLatin1Char('/') + QStringLiteral(BRIVO_MODULE_RELDIR))};
}

QStringList &leftOut()
{
    static QStringList names =
        QString::fromLatin1(BRIVO_MODULES_LEFT_OUT).split(QLatin1Char(','), Qt::SkipEmptyParts);
    return names;
}

} // namespace

QStringList modulesLeftOutOfBuild()
{
    return leftOut();
}

bool moduleInBuild(const QString &name)
{
    return !leftOut().contains(name);
}

void setModulesLeftOutForTesting(const QStringList &names)
{
    leftOut() = names;
}

QString moduleFileName(const QString &name)
{
#if defined(Q_OS_WIN)
    return name + QStringLiteral(".dll");
#elif defined(Q_OS_MACOS)
    return name + QStringLiteral(".dylib");
#else
    return name + QStringLiteral(".so");
#endif
}

ModuleEntry loadModule(const QString &name)
{
    static QHash<QString, ModuleEntry> loaded;
    if (const ModuleEntry entry = loaded.value(name))
        return entry;

    const QString fileName = moduleFileName(name);
    QString reason = QStringLiteral("The file was not found.");
    for (const QString &folder : moduleFolders()) {
        const QString candidate = folder + QLatin1Char('/') + fileName;
        if (!QFileInfo::exists(candidate))
            continue;
        // Never unloaded: the windows it creates may stay open until the process ends. The application owns
        // the handle, and deleting a QLibrary leaves its library loaded.
        auto *library = new QLibrary(candidate, QCoreApplication::instance());
        auto entry = reinterpret_cast<ModuleEntry>(library->resolve("brivo_module_open_window"));
        if (entry) {
            loaded.insert(name, entry);
            return entry;
        }
        reason = library->errorString();
        delete library;
        break;
    }

    QMessageBox::information(
        nullptr, QStringLiteral("Error"),
        QStringLiteral("This tool cannot start: its module %1 could not be loaded.\n\n%2")
            .arg(fileName, reason),
        QMessageBox::Ok);
    return nullptr;
}

QWidget *openModuleWindow(const QString &name, const QString &path, const OpenOptions &options)
{
    const ModuleEntry entry = loadModule(name);
    return entry ? entry(path, options) : nullptr;
}

} // namespace brivo
