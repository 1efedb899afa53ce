// Lifetime of the windows the program opens: each lives until it is closed.
#pragma once

#include "brivo_core_export.h"

class QWidget;

namespace brivo {

// Looks after `window`, a top-level window with no parent: once a close goes through (one the window
// refuses, as an editor does for unsaved text, keeps it), it is deleted as the event loop next runs, and
// with it everything it holds (pictures, pages, players, threads, child processes). Hiding it does not
// delete it. One still open when the event loop has ended goes with deleteKeptWindows().
BRIVO_CORE_EXPORT void keepUntilClosed(QWidget *window);

// Deletes every window kept above that still exists, newest first. The program calls it after the event
// loop.
BRIVO_CORE_EXPORT void deleteKeptWindows();

// True when some top-level window is visible.
BRIVO_CORE_EXPORT bool anyWindowVisible();

} // namespace brivo
