#include "web/enginestart.h"

#include "web/sharedglcontext.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace brivo {

namespace {

bool runningAsRoot()
{
#if defined(Q_OS_UNIX)
    return geteuid() == 0;
#else
    return false;
#endif
}

QLoggingCategory::CategoryFilter previousFilter = nullptr;

// The engine reports its graphics set-up in some twenty lines on standard error each time it starts;
// that report is for the engine's developers, not for someone opening a page.
void quietEngineReport(QLoggingCategory *category)
{
    if (previousFilter)
        previousFilter(category);
    if (std::strcmp(category->categoryName(), "qt.webenginecontext") == 0)
        category->setEnabled(QtInfoMsg, false);
}

} // namespace

void prepareWebEngine()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;

    ensureSharedGlContext();
    previousFilter = QLoggingCategory::installFilter(quietEngineReport);

    if (runningAsRoot() && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArrayLiteral("1"));
        std::fputs("brivo: running as root, so the web browser's sandbox is turned off.\n", stderr);
    }
}

} // namespace brivo
