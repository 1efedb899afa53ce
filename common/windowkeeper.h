// Lifetime of the windows the program opens: they live until the process ends.
#pragma once

#include "brivo_core_export.h"

class QWidget;

namespace brivo {

// Keeps `window` alive until deleteKeptWindows(); closing it only hides it.
BRIVO_CORE_EXPORT void keepUntilExit(QWidget *window);

// Deletes every kept window that still exists, newest first. The program calls it after the event loop.
BRIVO_CORE_EXPORT void deleteKeptWindows();

// True when some top-level window is visible.
BRIVO_CORE_EXPORT bool anyWindowVisible();

} // namespace brivo
