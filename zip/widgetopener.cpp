// How the program opens the archive tool: the file, if any, goes into its selection.
#include "common/tooltable.h"
#include "zip/widget.h"

namespace {

QWidget *openArchive(const QString &path, const brivo::OpenOptions &)
{
    auto *window = new Widget;
    if (!path.isEmpty())
        window->setf(path);
    return window;
}

} // namespace

BRIVO_TOOL_OPENER(brivo::Tool::Archive, openArchive)
