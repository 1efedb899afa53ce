#include "zip/openedentries.h"

#include "zip/extractionguard.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

namespace brivo::zip {

namespace {

struct Watched
{
    QList<QPointer<QWidget>> windows;
};

// The folders made, and the windows each waits for. Whatever is left goes as the program quits.
QHash<QString, std::shared_ptr<Watched>> &folders()
{
    static QHash<QString, std::shared_ptr<Watched>> made;
    static const bool removedAtExit = [] {
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] {
            for (const QString &folder : made.keys())
                removeTree(folder);
            made.clear();
        });
        return true;
    }();
    Q_UNUSED(removedAtExit)
    return made;
}

void removeIfUnused(const QString &folder)
{
    const auto found = folders().constFind(folder);
    if (found == folders().cend())
        return;
    for (const QPointer<QWidget> &window : std::as_const((*found)->windows))
        if (window)
            return;
    folders().remove(folder);
    removeTree(folder);
}

} // namespace

QString makeOpenedEntryFolder(QString *error)
{
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/brivo-entry-XXXXXX"));
    if (!folder.isValid()) {
        *error = folder.errorString();
        return {};
    }
    folder.setAutoRemove(false);
    folders().insert(folder.path(), std::make_shared<Watched>());
    return folder.path();
}

void removeWhenClosed(const QString &folder, const QList<QWidget *> &windows)
{
    const std::shared_ptr<Watched> watched = folders().value(folder);
    if (!watched) {
        removeTree(folder);
        return;
    }
    for (QWidget *window : windows) {
        watched->windows.append(window);
        // Looked at once the window is gone for good.
        QObject::connect(window, &QObject::destroyed, qApp, [folder] {
            QMetaObject::invokeMethod(
                qApp, [folder] { removeIfUnused(folder); }, Qt::QueuedConnection);
        });
    }
    removeIfUnused(folder);
}

QStringList openedEntryFolders()
{
    return folders().keys();
}

} // namespace brivo::zip
