// What the web engine must be told before it starts: it reads these settings once, when the first page
// is made, and never again.
#pragma once

#include "brivo_web_export.h"

namespace brivo {

// Prepares and starts the engine for this process; only the first call does anything. When the process
// runs as root the engine's sandbox is turned off (Chromium refuses to start as root with it on), with a
// notice on standard error; the switch that does it is gone from the environment again on return, so the
// programs this process starts later do not inherit it. Every page of the engine's profile then shows
// local files as local pages (localpages.h), each an origin of its own, and loads them through
// LocalFileGuard.
void prepareWebEngine();

// True when the process runs as the system's administrator (root), the one case the engine needs its
// sandbox off.
BRIVO_WEB_EXPORT bool runningAsRoot();

} // namespace brivo
