// The PDF viewer as a module: the program loads it, and poppler with it, when the first PDF is opened.
#include "common/tooltable.h"
#include "viewers/pdf.h"

namespace {

QWidget *openPdfWindow(const QString &path, const brivo::OpenOptions &)
{
    auto *window = new pdf;
    window->setFile(path);
    window->buildUi();
    return window;
}

} // namespace

BRIVO_DEFINE_MODULE_ENTRY(openPdfWindow)
