#include "app/sessionend.h"

#include "common/documentrecovery.h"
#include "common/recoverystore.h"
#include "platform/endrequest.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QThread>
#include <QWidget>

namespace brivo {

namespace {

// The session manager waits a few seconds before it kills what is left; the copies are taken within that.
constexpr int kCopyWaitMs = 4000;

QList<QPointer<DocumentRecovery>> allRecoveries()
{
    QList<QPointer<DocumentRecovery>> found;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        for (DocumentRecovery *recovery : window->findChildren<DocumentRecovery *>())
            found.append(recovery);
    }
    return found;
}

bool ending = false;

} // namespace

bool sessionEnded()
{
    return ending;
}

void endSession()
{
    if (std::exchange(ending, true))
        return;
    const QList<QPointer<DocumentRecovery>> recoveries = allRecoveries();
    for (const QPointer<DocumentRecovery> &recovery : recoveries)
        recovery->copyPending();
    // The copies are taken in slices between events: the event loop goes on until they are, no longer.
    const QDeadlineTimer deadline(kCopyWaitMs);
    const auto busy = [&recoveries] {
        return std::any_of(recoveries.begin(), recoveries.end(),
                           [](const QPointer<DocumentRecovery> &r) { return r && !r->isIdle(); });
    };
    while (busy() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    RecoveryStore::instance()->waitForWrites();
    // Every event loop ends, a modal question's too; the program then deletes its windows.
    QCoreApplication::exit(0);
}

void endSessionOnRequest()
{
    onEndRequest(endSession);
}

} // namespace brivo
