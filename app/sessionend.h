// Ending the program when the session ends: a logout, a shutdown or a closed terminal.
#pragma once

#include "brivo_core_export.h"

namespace brivo {

// From now on, a request to end the program (see onEndRequest) ends it as if every window were closed
// without a question: unsaved text is kept as recovery copies (the next start offers it), and then the
// event loop ends, after which the windows go and with them what they started (programs, archivers and
// their private folders).
BRIVO_CORE_EXPORT void endSessionOnRequest();

// What such a request does, at once: copies taken and written, then the event loop told to end.
BRIVO_CORE_EXPORT void endSession();

// True once endSession() has run: the program starts no event loop after it.
BRIVO_CORE_EXPORT bool sessionEnded();

} // namespace brivo
