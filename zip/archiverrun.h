// One run of the 7z archiver: started with a program name and an argument list, its output read as it
// arrives, cancellable, and awaited without freezing the window.
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

    // Starts `program` with `arguments` and returns when it has ended, keeping the event loop going in
    // the meantime; output, progress and errors arrive through the signals on the way.
    Outcome run(const QString &program, const QStringList &arguments);

    // Ends the running archiver: politely first (7z then removes the archive it was writing), for good a
    // moment later. run() then returns Cancelled.
    void cancel();

    bool isRunning() const;
    int exitCode() const { return m_exitCode; }
    QProcess::ExitStatus exitStatus() const { return m_exitStatus; }
    QString errorString() const { return m_errorString; }

signals:
    void outputLines(const QStringList &lines);
    void errorLines(const QStringList &lines);
    void progress(const brivo::zip::ArchiverProgress &progress);

private:
    // Ends the archiver before returning, when no event loop may run any more.
    void endNow();
    void readOutput();
    void readErrors();

    QProcess *m_process = nullptr;
    QTimer *m_killTimer = nullptr;
    ArchiverOutputReader m_outputReader;
    ArchiverOutputReader m_errorReader;
    bool m_cancelled = false;
    int m_exitCode = -1;
    QProcess::ExitStatus m_exitStatus = QProcess::NormalExit;
    QString m_errorString;
};

} // namespace brivo::zip
