// The home and drop actions that the tool windows share. Both end in a dispatch of a path, which the
// application shell installs as it starts: the tools reach the shell only through it.
#pragma once

#include "brivo_core_export.h"

#include <QString>

class QDragEnterEvent;
class QDropEvent;
class QUrl;
class QWidget;

namespace brivo {

// Opens `path` in the window its type calls for, as at start-up; the empty path opens a plain launcher.
using Dispatch = void (*)(const QString &path);

// Installs the dispatch the actions below end in. Until one is installed they open nothing.
void installDispatch(Dispatch dispatch);

// Shows a web address (http or https) in Brivo's own browser.
using AddressDispatch = void (*)(const QUrl &address);

// Installs what showInOwnBrowser() ends in; the shell installs it with the dispatch.
void installAddressDispatch(AddressDispatch dispatch);

// Shows `address` in a window of Brivo's own browser: where a document's web link goes when the desktop
// has no browser to show it.
BRIVO_CORE_EXPORT void showInOwnBrowser(const QUrl &address);

// The home control of every tool window: opens one more plain launcher. The calling window stays open.
BRIVO_CORE_EXPORT void goHome();

// Accepts every drag on entry, whatever it carries.
BRIVO_CORE_EXPORT void acceptAnyDrag(QDragEnterEvent *event);

// The drop action: the first dropped URL becomes a local path (empty for a URL that is not a local file),
// `receiver` closes and a new dispatch opens the path. A drop that carries no URL is ignored and leaves
// the window open.
BRIVO_CORE_EXPORT void dropAction(QWidget *receiver, QDropEvent *event);

// Puts the first URL of a drop, as a local path, into `path`; false when the drop carries no URL.
BRIVO_CORE_EXPORT bool firstDroppedPath(const QDropEvent *event, QString *path);

// Closes `window` and dispatches `path` afresh. The moment in which no window is visible does not end the
// process: the window the dispatch opens takes over.
BRIVO_CORE_EXPORT void closeAndDispatch(QWidget *window, const QString &path);

} // namespace brivo
