// One run of the 7z archiver: started with a program name, an argument list and what to write to its
// input, its output read as it arrives, cancellable, and reported by a signal when it ends: the window
// goes on handling events meanwhile, and two runs never wait for each other.
#pragma once

#include "zip/archiveroutputreader.h"

#include <QObject>
#include <QProcess>
#include <QStringList>

class QTimer;

namespace brivo::zip {

class ArchiverRun : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Finished,
        Crashed,
        Cancelled,
        FailedToStart
    };

    explicit ArchiverRun(QObject *parent = nullptr);
    ~ArchiverRun() override;

    // Starts `program` with `arguments`, writes `input` to its standard input and closes it (7z then
    // never waits for an answer nobody gives). Returns at once; finished() follows, also when the
    // program cannot be started.
    void start(const QString &program, const QStringList &arguments, const QByteArray &input = {});

    // Ends the running archiver: politely first (7z then removes the archive it was writing), for good a
    // moment later. finished() then reports Cancelled.
    void cancel();

    // Ends the running archiver before returning, for when no event loop will run any more (quitting):
    // finished() is not emitted.
    void endNow();

    bool isRunning() const;
    qint64 processId() const;
    int exitCode() const { return m_exitCode; }
    QProcess::ExitStatus exitStatus() const { return m_exitStatus; }
    QString errorString() const { return m_errorString; }

signals:
    // Standard output, line by line, as 7z wrote it (names may hold control characters).
    void outputLines(const QStringList &lines);
    // Standard error once the progress reports are taken out of it.
    void errorLines(const QStringList &lines);
    void progress(const brivo::zip::ArchiverProgress &progress);
    void finished(brivo::zip::ArchiverRun::Outcome outcome);

private:
    void readOutput();
    void readErrors();
    void processEnded();
    void startFailed();

    QProcess *m_process = nullptr;
    QTimer *m_killTimer = nullptr;
    LineReader m_outputReader;
    ArchiverOutputReader m_errorReader;
    bool m_cancelled = false;
    int m_exitCode = -1;
    QProcess::ExitStatus m_exitStatus = QProcess::NormalExit;
    QString m_errorString;
};

} // namespace brivo::zip
