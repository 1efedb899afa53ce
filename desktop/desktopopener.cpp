// How the program opens the snapshot window, which takes no file.
#include "common/tooltable.h"
#include "desktop/desktop.h"

namespace {

QWidget *openSnapshot(const QString &, const brivo::OpenOptions &)
{
    return new desktop;
}

} // namespace

BRIVO_TOOL_OPENER(brivo::Tool::Snapshot, openSnapshot)
