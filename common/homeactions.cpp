#include "common/homeactions.h"

#include "common/windowkeeper.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace brivo {

namespace {

Dispatch installedDispatch = nullptr;
AddressDispatch installedAddressDispatch = nullptr;

void dispatch(const QString &path)
{
    if (installedDispatch)
        installedDispatch(path);
    else
        qWarning("Brivo: no dispatch is installed; \"%s\" opens nothing", qPrintable(path));
}

} // namespace

void installDispatch(Dispatch dispatch)
{
    installedDispatch = dispatch;
}

void installAddressDispatch(AddressDispatch dispatch)
{
    installedAddressDispatch = dispatch;
}

void showInOwnBrowser(const QUrl &address)
{
    if (installedAddressDispatch)
        installedAddressDispatch(address);
    else
        qWarning("Brivo: no dispatch is installed; \"%s\" opens nothing", qPrintable(address.toString()));
}

void goHome()
{
    dispatch(QString());
}

void acceptAnyDrag(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

QStringList droppedPaths(const QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (!data || !data->hasUrls())
        return {};
    QStringList paths;
    bool sawUrl = false;
    for (const QUrl &url : data->urls()) {
        sawUrl = true;
        // A "file:name" URL is relative; it is made absolute here, where the name enters.
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            paths.append(QFileInfo(path).absoluteFilePath());
    }
    if (paths.isEmpty() && sawUrl)
        paths.append(QString());
    return paths;
}

void dropAction(QWidget *receiver, QDropEvent *event)
{
    const QStringList paths = droppedPaths(event);
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    closeAndDispatch(receiver, paths);
}

void closeAndDispatch(QWidget *window, const QStringList &paths)
{
    QTimer::singleShot(0, qApp, [window = QPointer<QWidget>(window), paths] {
        // Closing the only visible window would make the application quit before the new window shows.
        const bool quitOnLastClosed = QGuiApplication::quitOnLastWindowClosed();
        QGuiApplication::setQuitOnLastWindowClosed(false);
        if (window)
            window->close();
        for (const QString &path : paths)
            dispatch(path);
        QGuiApplication::setQuitOnLastWindowClosed(quitOnLastClosed);
        // Should the dispatch have opened nothing, the program ends as a close of its last window would.
        if (quitOnLastClosed && !anyWindowVisible() && QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::quit();
    });
}

} // namespace brivo
