#include "zip/openedentries.h"

#include "zip/extractionguard.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>

namespace brivo::zip {

namespace {

using Windows = QList<QPointer<QWidget>>;

// The folders made, and the windows each waits for. Whatever is left goes as the program quits.
QHash<QString, Windows> &folders()
{
    static QHash<QString, Windows> made;
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
    for (const QPointer<QWidget> &window : *found)
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
    folders().insert(folder.path(), {});
    return folder.path();
}

void removeWhenClosed(const QString &folder, const QList<QWidget *> &windows)
{
    const auto watched = folders().find(folder);
    if (watched == folders().end()) {
        removeTree(folder);
        return;
    }
    for (QWidget *window : windows) {
        watched->append(window);
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
