#include "zip/archivejob.h"

#include "zip/sevenziplocator.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace brivo::zip {

ArchiveJob::ArchiveJob(QObject *parent) : QObject(parent)
{
    m_run = new ArchiverRun(this);
    connect(m_run, &ArchiverRun::outputLines, this, [this](const QStringList &lines) {
        m_lines += lines;
        emit outputLines(lines);
    });
    connect(m_run, &ArchiverRun::errorLines, this, [this](const QStringList &lines) {
        m_lines += lines;
        emit errorLines(lines);
    });
    connect(m_run, &ArchiverRun::progress, this, &ArchiveJob::progress);
    connect(m_run, &ArchiverRun::finished, this, &ArchiveJob::runFinished);
}

ArchiveJob::~ArchiveJob() = default;

void ArchiveJob::cancel()
{
    if (m_finished || m_cancelled)
        return;
    m_cancelled = true;
    if (m_run->isRunning())
        m_run->cancel();
}

void ArchiveJob::endNow()
{
    m_cancelled = true;
    m_finished = true;
    m_run->endNow();
}

void ArchiveJob::runArchiver(const QStringList &arguments, const QByteArray &input,
                             std::function<void()> then)
{
    if (m_cancelled) {
        emit message(QStringLiteral("Cancelled."), true);
        finish(Result::Stop);
        return;
    }
    m_then = std::move(then);
    m_lines.clear();
    m_run->start(sevenZipExecutable(), arguments, input);
}

void ArchiveJob::runFinished(ArchiverRun::Outcome outcome)
{
    if (m_finished)
        return;
    switch (outcome) {
    case ArchiverRun::Outcome::FailedToStart:
        emit message(missingArchiverText(sevenZipExecutable(), m_run->errorString()), true);
        finish(Result::Stop);
        return;
    case ArchiverRun::Outcome::Cancelled:
        emit message(QStringLiteral("Cancelled."), true);
        emit runEnded(m_run->exitCode(), static_cast<int>(m_run->exitStatus()));
        finish(Result::Stop);
        return;
    case ArchiverRun::Outcome::Crashed:
    case ArchiverRun::Outcome::Finished:
        break;
    }
    emit runEnded(m_run->exitCode(), static_cast<int>(m_run->exitStatus()));
    // A cancel that came after 7z had already ended stops the job before its next step.
    if (m_cancelled) {
        emit message(QStringLiteral("Cancelled."), true);
        finish(Result::Stop);
        return;
    }
    const std::function<void()> then = std::exchange(m_then, nullptr);
    if (then)
        then();
}

void ArchiveJob::finish(Result result)
{
    if (m_finished)
        return;
    m_finished = true;
    Verdict verdict = m_verdict.value_or(result == Result::Done ? Verdict::Ok : Verdict::Failed);
    if (result == Result::Stop && m_cancelled)
        verdict = Verdict::Cancelled;
    emit concluded(m_archive, verdict);
    emit finished(result);
}

Verdict ArchiveJob::writeVerdict(const QString &error)
{
    return verdictOf({error}, 2, false) == Verdict::NoSpace ? Verdict::NoSpace : Verdict::ReadOnly;
}

QString missingArchiverText(const QString &program, const QString &reason)
{
    const QFileInfo info(program);
    if (!info.isAbsolute() && QStandardPaths::findExecutable(program).isEmpty()) {
#ifdef Q_OS_WIN
        return QStringLiteral("The archiver \"%1\" was not found, neither where 7-Zip installs itself nor on "
                              "the search path. Install 7-Zip from https://www.7-zip.org and try again.")
            .arg(program);
#else
        return QStringLiteral("The archiver \"%1\" was not found on the search path. Install 7-Zip "
                              "(on Debian and Ubuntu the package p7zip-full) and try again.")
            .arg(program);
#endif
    }
    return QStringLiteral("The archiver \"%1\" could not be started: %2").arg(program, reason);
}

} // namespace brivo::zip
