// How the program opens the image viewer: the picture, if any, first, then the window's widgets.
#include "common/tooltable.h"
#include "viewers/imgv.h"

namespace {

QWidget *openImageViewer(const QString &path, const brivo::OpenOptions &)
{
    auto *window = new imgv;
    if (!path.isEmpty())
        window->openFile(path);
    window->buildUi();
    return window;
}

} // namespace

BRIVO_TOOL_OPENER(brivo::Tool::ImageViewer, openImageViewer)
