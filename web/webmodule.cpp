// The web browser module's entry: the program loads it the first time a browser window opens.
#include "common/tooltable.h"
#include "web/web.h"

#include <QUrl>

namespace {

QWidget *openBrowser(const QString &path, const brivo::OpenOptions &options)
{
    auto *window = new web;
    if (options.webAddress)
        window->openAddress(QUrl(path));
    else if (!path.isEmpty())
        window->openFile(path);
    return window;
}

} // namespace

BRIVO_DEFINE_MODULE_ENTRY(openBrowser)
