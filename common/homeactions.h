// The home and drop actions that the tool windows share. Both end in a dispatch of a path, which the
// application shell installs as it starts: the tools reach the shell only through it.
#pragma once

#include "brivo_core_export.h"

#include "common/tooltable.h"

#include <QString>
#include <QStringList>

#include <optional>

class QDragEnterEvent;
class QDropEvent;
class QUrl;
class QWidget;

namespace brivo {

// Opens `path` in the window its type calls for, as at start-up; the empty path opens a plain launcher.
// True when a tool opened it; false when a launcher opened instead (a plain one, or one that asks which
// tool is to open a file of a type no tool claims).
using Dispatch = bool (*)(const QString &path);

// Opens `path` in `tool`, whatever its type (an empty path opens the tool with no file).
using ToolOpen = void (*)(Tool tool, const QString &path);

// Installs the dispatch and the opening in a named tool that the actions below end in. Until they are
// installed the actions open nothing.
void installDispatch(Dispatch dispatch, ToolOpen toolOpen);

// Shows a web address (http or https) in Brivo's own browser.
using AddressDispatch = void (*)(const QUrl &address);

// Installs what showInOwnBrowser() ends in; the shell installs it with the dispatch.
void installAddressDispatch(AddressDispatch dispatch);

// Shows `address` in a window of Brivo's own browser: where a document's web link goes when the desktop
// has no browser to show it.
BRIVO_CORE_EXPORT void showInOwnBrowser(const QUrl &address);

// Opens `path` as a start-up dispatch does, at once, and says which windows opened for it (none when
// nothing opened): for a caller that must know when they have all closed. When the launcher opened to ask
// for a tool, the tool's window comes later, out of the caller's sight.
struct Opening
{
    QList<QWidget *> windows;
    bool toolChosenLater = false;
};
BRIVO_CORE_EXPORT Opening dispatchOpening(const QString &path);

// The home control of every tool window: opens one more plain launcher. The calling window stays open.
BRIVO_CORE_EXPORT void goHome();

// Accepts every drag on entry, whatever it carries.
BRIVO_CORE_EXPORT void acceptAnyDrag(QDragEnterEvent *event);

// The drop action: the dropped files become local paths (see droppedPaths), `receiver` closes and each
// path is dispatched as at start-up. A drop that carries no URL is ignored and leaves the window open.
// Given a `tool` (a drop on a launcher tile), each local file opens in that tool instead; a drop that
// carries no local file is dispatched as before.
BRIVO_CORE_EXPORT void dropAction(QWidget *receiver, QDropEvent *event, std::optional<Tool> tool = {});

// The local files a drop carries, in its order. URLs that are not local files are left out, unless the
// drop carries nothing else: then it is one empty path (a plain launcher). Empty when the drop carries
// no URL at all.
BRIVO_CORE_EXPORT QStringList droppedPaths(const QDropEvent *event);

// Closes `window` and dispatches each of `paths` afresh, once the event being handled is over: a drop
// from another program is still under way in the window system's drag code while the drop handler runs,
// and closing (so deleting) the window that receives it then would pull the window from under that code.
// The moment in which no window is visible does not end the process: the windows the dispatch opens take
// over.
BRIVO_CORE_EXPORT void closeAndDispatch(QWidget *window, const QStringList &paths);

// The same, opening each of `paths` in `tool` instead of dispatching it.
BRIVO_CORE_EXPORT void closeAndOpen(QWidget *window, const QStringList &paths, Tool tool);

} // namespace brivo
