// The session's request that the program end: the signal a logout, a shutdown or a closed terminal sends.
#pragma once

#include "brivo_core_export.h"

#include <functional>

namespace brivo {

// Calls `handler` on the GUI thread, from the event loop, each time the process is asked to end (SIGTERM,
// SIGHUP or SIGINT on Unix), instead of ending at once: the program can then keep what the user has and
// end what it started. The signal itself only writes a byte into a pipe whose other end the event loop
// watches, as nothing else may run inside a signal handler; a process whose event loop does not come to it
// within twenty seconds ends all the same. Call once, after the application object is
// made; where the platform sends no such signal it does nothing.
BRIVO_CORE_EXPORT void onEndRequest(std::function<void()> handler);

// From now on those signals end the process at once again, as they do by default: once the event loop is
// over nothing would answer the pipe, and a process being torn down must still yield to them.
BRIVO_CORE_EXPORT void endRequestsEndAtOnce();

} // namespace brivo
