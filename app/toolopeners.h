// Opening a tool window as the tool table says, for the dispatcher and the launcher's tiles.
#pragma once

#include "brivo_core_export.h"

#include "common/tooltable.h"

#include <QString>

#include <functional>

class QWidget;

namespace brivo {

// Creates a window of `tool` with no parent, hands it `path` the way that tool takes a file (an empty
// path means no file), shows it and keeps it until it is closed. Returns the window, or nullptr when
// the tool could not be opened (a module that does not load says so in a box).
BRIVO_CORE_EXPORT QWidget *openTool(Tool tool, const QString &path, const OpenOptions &options = {});

// Tests put a function of their own in place of every opener to see what a dispatch or a tile asks for;
// an empty function puts the real openers back.
using OpenerOverride = std::function<QWidget *(Tool, const QString &, const OpenOptions &)>;
BRIVO_CORE_EXPORT void setOpenerOverrideForTesting(OpenerOverride replacement);

} // namespace brivo
