// At start: the unsaved text that Brivo processes which ended left behind, offered back.
#pragma once

#include "brivo_core_export.h"

namespace brivo {

// When recovery copies of Brivo processes that no longer run exist, shows the recovery dialog; Restore
// opens each document in its tool with the recovered text, its file name and the changed marker. Runs
// before the first window of the process shows, whatever it was started with.
BRIVO_CORE_EXPORT void offerRecoveredDocuments();

} // namespace brivo
