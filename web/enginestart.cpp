#include "web/enginestart.h"

#include "web/localfileguard.h"
#include "web/localfileserver.h"
#include "web/localpages.h"
#include "web/sharedglcontext.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QWebEngineProfile>

#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace brivo {

namespace {

// The engine's own switch for running without its sandbox. It reads it from the environment, once, while
// it starts.
constexpr char sandboxSwitch[] = "QTWEBENGINE_DISABLE_SANDBOX";

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

bool runningAsRoot()
{
#if defined(Q_OS_UNIX)
    return geteuid() == 0;
#else
    return false;
#endif
}

void prepareWebEngine()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;

    ensureSharedGlContext();
    previousFilter = QLoggingCategory::installFilter(quietEngineReport);

    // A switch the user set is theirs to pass on; the one set here is meant for the engine alone.
    const bool sandboxOff = runningAsRoot() && !qEnvironmentVariableIsSet(sandboxSwitch);
    if (sandboxOff) {
        qputenv(sandboxSwitch, QByteArrayLiteral("1"));
        std::fputs("brivo: running as root, so the web browser's sandbox is turned off.\n", stderr);
    }
    // Starting the engine now, rather than with the first page, lets the switch leave the environment
    // as soon as the engine has read it: programs the other tools start (7z, the language commands, the
    // desktop's opener) inherit the environment, and a browser among them would run unsandboxed too.
    registerLocalPageSchemes();
    QWebEngineProfile *profile = QWebEngineProfile::defaultProfile();
    if (sandboxOff)
        qunsetenv(sandboxSwitch);

    serveLocalPages(profile);
    profile->setUrlRequestInterceptor(new LocalFileGuard(new LocalFileServer(profile), profile));
}

} // namespace brivo
