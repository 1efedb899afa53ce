// The media player's module entry: the program loads this library the first time a player opens.
#include "av/av.h"
#include "common/tooltable.h"

namespace {

QWidget *openPlayer(const QString &path, const brivo::OpenOptions &options)
{
    auto *window = new av;
    if (!path.isEmpty())
        window->openFile(path);
    if (options.audioOnly)
        window->setAudioOnly();
    return window;
}

} // namespace

BRIVO_DEFINE_MODULE_ENTRY(openPlayer)
