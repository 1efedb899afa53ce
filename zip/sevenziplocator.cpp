#include "zip/sevenziplocator.h"

#include "zip/sevenzipcommand.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace brivo::zip {

QString locateSevenZip(const SevenZipPlaces &places)
{
    const auto found = [&](const QString &folder) -> QString {
        if (folder.trimmed().isEmpty())
            return {};
        QString path = QDir::fromNativeSeparators(folder.trimmed());
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        path += QStringLiteral("7z.exe");
        return places.isExecutable && places.isExecutable(path) ? path : QString();
    };

    QStringList names = {QString::fromLatin1(sevenZipProgram)};
    if (places.windows) {
        for (const QString &folder : {places.registryPath, places.programFiles + QStringLiteral("/7-Zip"),
                                      places.programW6432 + QStringLiteral("/7-Zip"),
                                      places.programFilesX86 + QStringLiteral("/7-Zip")}) {
            // A Program Files variable that is not set gives "/7-Zip", which is no place to look.
            if (folder == QLatin1String("/7-Zip"))
                continue;
            if (const QString path = found(folder); !path.isEmpty())
                return path;
        }
    } else {
        names << QStringLiteral("7zz");
    }
    if (places.findOnSearchPath) {
        for (const QString &name : std::as_const(names)) {
            if (const QString path = places.findOnSearchPath(name); !path.isEmpty())
                return path;
        }
    }
    return names.first();
}

QString sevenZipExecutable()
{
    SevenZipPlaces places;
#ifdef Q_OS_WIN
    places.windows = true;
    // The installer records its folder for both views of the registry; a 32-bit 7-Zip on a 64-bit system
    // writes "Path" only, a 64-bit one may write "Path64" too.
    const QSettings registry(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\7-Zip"), QSettings::NativeFormat);
    places.registryPath =
        registry.value(QStringLiteral("Path64"), registry.value(QStringLiteral("Path"))).toString();
    places.programFiles = qEnvironmentVariable("ProgramFiles");
    places.programW6432 = qEnvironmentVariable("ProgramW6432");
    places.programFilesX86 = qEnvironmentVariable("ProgramFiles(x86)");
#endif
    places.isExecutable = [](const QString &path) {
        const QFileInfo info(path);
        return info.isFile() && info.isExecutable();
    };
    places.findOnSearchPath = [](const QString &name) { return QStandardPaths::findExecutable(name); };
    return locateSevenZip(places);
}

} // namespace brivo::zip
