// How the program opens the notepad: with the file, if any, loaded.
#include "common/tooltable.h"
#include "txtedit/txtedit.h"

namespace {

QWidget *openNotepad(const QString &path, const brivo::OpenOptions &)
{
    auto *window = new txtedit;
    if (!path.isEmpty())
        window->openFile(path);
    return window;
}

} // namespace

BRIVO_TOOL_OPENER(brivo::Tool::Notepad, openNotepad)
