#include "common/homeactions.h"

#include "common/windowkeeper.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QThread>
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

bool firstDroppedPath(const QDropEvent *event, QString *path)
{
    const QMimeData *data = event->mimeData();
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return false;
    *path = data->urls().constFirst().toLocalFile();
    return true;
}

void dropAction(QWidget *receiver, QDropEvent *event)
{
    QString path;
    if (!firstDroppedPath(event, &path)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    closeAndDispatch(receiver, path);
}

void closeAndDispatch(QWidget *window, const QString &path)
{
    // Closing the only visible window would make the application quit before the new window shows.
    const bool quitOnLastClosed = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    window->close();
    dispatch(path);
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLastClosed);
    // Should the dispatch have opened nothing, the program ends as a close of its last window would.
    if (quitOnLastClosed && !anyWindowVisible() && QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::quit();
}

} // namespace brivo
