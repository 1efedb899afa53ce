// What the web engine must be told before it starts: it reads these settings once, when the first page
// is made, and never again.
#pragma once

namespace brivo {

// Prepares the engine for this process; only the first call does anything. When the process runs as
// root the engine's sandbox is turned off (Chromium refuses to start as root with it on), with a notice
// on standard error.
void prepareWebEngine();

} // namespace brivo
