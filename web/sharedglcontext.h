// The OpenGL context that the web engine shares with the windows it draws into.
#pragma once

#include "brivo_core_export.h"

namespace brivo {

// Makes the application-wide shared OpenGL context unless there already is one. The web engine needs it
// before its library loads: without it the engine warns, and this engine version crashes when it starts.
// Qt makes that context itself only when asked before the application exists, and asking then would load
// the GL driver on every start of the program, browser or not; so it is made here, the first time a
// browser window is about to open. Where there is no OpenGL at all the context stays invalid, which the
// engine understands as "draw in software".
BRIVO_CORE_EXPORT void ensureSharedGlContext();

} // namespace brivo
