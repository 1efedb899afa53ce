// How the program opens the code editor: with the file, if any, loaded.
#include "common/tooltable.h"
#include "ide/ide.h"

namespace {

QWidget *openCodeEditor(const QString &path, const brivo::OpenOptions &)
{
    auto *window = new ide(nullptr);
    if (!path.isEmpty())
        window->openFile(path);
    return window;
}

} // namespace

BRIVO_TOOL_OPENER(brivo::Tool::CodeEditor, openCodeEditor)
