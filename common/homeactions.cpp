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

#include <functional>

namespace brivo {

namespace {

Dispatch installedDispatch = nullptr;
ToolOpen installedToolOpen = nullptr;
AddressDispatch installedAddressDispatch = nullptr;

bool dispatch(const QString &path)
{
    if (installedDispatch)
        return installedDispatch(path);
    qWarning("Brivo: no dispatch is installed; \"%s\" opens nothing", qPrintable(path));
    return false;
}

void openInTool(Tool tool, const QString &path)
{
    if (installedToolOpen)
        installedToolOpen(tool, path);
    else
        qWarning("Brivo: no tool opening is installed; \"%s\" opens nothing", qPrintable(path));
}

// Closes `window` and then opens what `open` opens, once the event being handled is over (see
// closeAndDispatch).
void closeThen(QWidget *window, const std::function<void()> &open)
{
    QTimer::singleShot(0, qApp, [window = QPointer<QWidget>(window), open] {
        // Closing the only visible window would make the application quit before the new window shows.
        const bool quitOnLastClosed = QGuiApplication::quitOnLastWindowClosed();
        QGuiApplication::setQuitOnLastWindowClosed(false);
        if (window)
            window->close();
        open();
        QGuiApplication::setQuitOnLastWindowClosed(quitOnLastClosed);
        // Should the dispatch have opened nothing, the program ends as a close of its last window would.
        if (quitOnLastClosed && !anyWindowVisible() && QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::quit();
    });
}

} // namespace

void installDispatch(Dispatch dispatch, ToolOpen toolOpen)
{
    installedDispatch = dispatch;
    installedToolOpen = toolOpen;
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

Opening dispatchOpening(const QString &path)
{
    const QWidgetList before = QApplication::topLevelWidgets();
    Opening opening;
    opening.toolChosenLater = !dispatch(path) && !path.isEmpty();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && !before.contains(window))
            opening.windows.append(window);
    return opening;
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
    const QList<QUrl> urls = data->urls();
    QStringList paths;
    for (const QUrl &url : urls) {
        // A "file:name" URL is relative; it is made absolute here, where the name enters.
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            paths.append(QFileInfo(path).absoluteFilePath());
    }
    if (paths.isEmpty() && !urls.isEmpty())
        paths.append(QString());
    return paths;
}

void dropAction(QWidget *receiver, QDropEvent *event, std::optional<Tool> tool)
{
    const QStringList paths = droppedPaths(event);
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // A drop of web links alone is one empty path: a plain launcher, whatever it was dropped on.
    if (tool && paths != QStringList{QString()})
        closeAndOpen(receiver, paths, *tool);
    else
        closeAndDispatch(receiver, paths);
}

void closeAndDispatch(QWidget *window, const QStringList &paths)
{
    closeThen(window, [paths] {
        for (const QString &path : paths)
            dispatch(path);
    });
}

void closeAndOpen(QWidget *window, const QStringList &paths, Tool tool)
{
    closeThen(window, [paths, tool] {
        for (const QString &path : paths)
            openInTool(tool, path);
    });
}

} // namespace brivo
