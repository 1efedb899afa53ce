#include "zip/testjob.h"

#include "zip/archiveroutputreader.h"
#include "zip/archiververdict.h"
#include "zip/sevenzipcommand.h"

namespace brivo::zip {

TestJob::TestJob(const QString &archive, const QString &password, QObject *parent)
    : ArchiveJob(parent), m_archive(archive), m_password(password)
{
    setArchive(archive);
}

void TestJob::start()
{
    runArchiver(testArguments(m_archive), passwordInput(m_password), [this] {
        const int code = crashed() ? -1 : exitCode();
        const Verdict verdict = verdictOf(runLines(), code, !m_password.isEmpty());
        const QString name = QLatin1Char('"') + escapedForDisplay(m_archive) + QLatin1Char('"');
        emit message(
            verdictText(verdict, name, QStringLiteral("Tested %1: no errors found.").arg(name), code),
            verdict != Verdict::Ok);
        setVerdict(verdict);
        finish(verdict == Verdict::Ok ? Result::Done : Result::Failed);
    });
}

} // namespace brivo::zip
