// The web browser module's entry: the program loads it the first time a browser window opens.
#include "common/tooltable.h"
#include "web/web.h"

namespace {

QWidget *openBrowser(const QString &path, const brivo::OpenOptions &)
{
    auto *window = new web;
    if (!path.isEmpty())
        window->openFile(path);
    return window;
}

} // namespace

BRIVO_DEFINE_MODULE_ENTRY(openBrowser)
