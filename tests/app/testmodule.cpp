// A module for the loader's tests: its window is a label that shows what it was handed.
#include "common/tooltable.h"

#include <QLabel>

namespace {

QWidget *openTestWindow(const QString &path, const brivo::OpenOptions &options)
{
    return new QLabel(QStringLiteral("test module: %1%2")
                          .arg(path, options.audioOnly ? QStringLiteral(" (audio only)") : QString()));
}

} // namespace

BRIVO_DEFINE_MODULE_ENTRY(openTestWindow)
