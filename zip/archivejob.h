// One piece of the archive window's work (packing one archive, extracting or testing one), carried out
// by one or more runs of 7z, each continued from the signal that ends the one before.
#pragma once

#include "zip/archiverrun.h"
#include "zip/archiververdict.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

namespace brivo::zip {

class ArchiveJob : public QObject
{
    Q_OBJECT
public:
    enum class Result
    {
        Done,
        Failed,
        Stop // cancelled, or 7z missing: the jobs queued after this one are not started
    };

    explicit ArchiveJob(QObject *parent = nullptr);
    ~ArchiveJob() override;

    virtual void start() = 0;
    // Stops the job; finished(Stop) follows once 7z has ended and the job has tidied up.
    virtual void cancel();
    // Stops the job before returning, for when no event loop will run any more (quitting): 7z is ended,
    // temporary files are removed, and finished() is not emitted.
    virtual void endNow();

    qint64 processId() const { return m_run->processId(); }

signals:
    void outputLines(const QStringList &lines);
    void errorLines(const QStringList &lines);
    void progress(const brivo::zip::ArchiverProgress &progress);
    void runEnded(int exitCode, int exitStatus);
    // A sentence for the user about how the job went; `problem` when it did not go as asked.
    void message(const QString &text, bool problem);
    void finished(brivo::zip::ArchiveJob::Result result);
    // How the job came out for its archive, in one verdict; emitted once, just before finished().
    void concluded(const QString &archive, brivo::zip::Verdict verdict);

protected:
    // Runs 7z and calls `then` when it has ended normally or crashed. A run that cannot start or is
    // cancelled ends the job instead, with its own message.
    void runArchiver(const QStringList &arguments, const QByteArray &input, std::function<void()> then);
    void finish(Result result);
    void setArchive(const QString &archive) { m_archive = archive; }
    // What finish() reports. Without one, Done is Ok and anything else Failed; a cancelled job that
    // stops is Cancelled whatever was set.
    void setVerdict(Verdict verdict) { m_verdict = verdict; }
    // A folder of the job's own could not be made where it writes: the disk is full, or cannot be
    // written there.
    static Verdict writeVerdict(const QString &error);

    // Everything the last run wrote, messages and errors alike.
    const QStringList &runLines() const { return m_lines; }
    int exitCode() const { return m_run->exitCode(); }
    bool crashed() const { return m_run->exitStatus() == QProcess::CrashExit; }
    bool isCancelled() const { return m_cancelled; }

private:
    void runFinished(ArchiverRun::Outcome outcome);

    ArchiverRun *m_run = nullptr;
    std::function<void()> m_then;
    QStringList m_lines;
    bool m_cancelled = false;
    bool m_finished = false;
    QString m_archive;
    std::optional<Verdict> m_verdict;
};

// What the window says when 7z cannot be started.
QString missingArchiverText(const QString &program, const QString &reason);

} // namespace brivo::zip
