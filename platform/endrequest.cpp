#include "platform/endrequest.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace brivo {

#ifdef Q_OS_UNIX

namespace {

int writeEnd = -1;
constexpr unsigned kEndWithinSeconds = 20;

extern "C" void noteEndRequest(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request that has not been read: nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    // Should the event loop be held up and never read the pipe, the request still ends the process: the
    // alarm's default action ends it a while later, as the signal itself would have at once.
    ::alarm(kEndWithinSeconds);
    errno = saved;
}

} // namespace

void onEndRequest(std::function<void()> handler)
{
    int ends[2];
    if (writeEnd != -1 || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = ends[1];
    auto *notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [readEnd = ends[0], handler] {
        char bytes[16];
        while (::read(readEnd, bytes, sizeof bytes) > 0) {
        }
        handler();
    });
    struct sigaction action = {};
    action.sa_handler = noteEndRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
}

void endRequestsEndAtOnce()
{
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        std::signal(signal, SIG_DFL);
    // The request was answered: the signals themselves now end what is left of the process.
    ::alarm(0);
}

#else

void onEndRequest(std::function<void()>) {}
void endRequestsEndAtOnce() {}

#endif

} // namespace brivo
