// How the program opens the GIF viewer: init() takes the path, the empty one included.
#include "common/tooltable.h"
#include "viewers/gif.h"

namespace {

QWidget *openGifViewer(const QString &path, const brivo::OpenOptions &)
{
    auto *window = new gif;
    window->init(path);
    return window;
}

} // namespace

BRIVO_TOOL_OPENER(brivo::Tool::GifViewer, openGifViewer)
