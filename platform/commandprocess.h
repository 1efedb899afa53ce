// The platform's command processor: runs a command line the way cmd /c does on Windows (/bin/sh -c here).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>

namespace brivo {

// Completes an extension-less program path the way the Windows command processor does, trying the
// suffixes "", ".sh", ".bat" and ".cmd" in that order; the first that names an existing file wins. The path
// is resolved case-insensitively first. A path that matches nothing comes back as resolved.
QString completeProgramPath(const QString &path);

// The command line that runs the program at `path` with no arguments through the command processor: the
// completed path, quoted for the processor. A script that is not marked executable is handed to the shell
// explicitly, as cmd runs a batch file whatever its permissions.
QString commandLineForProgram(const QString &path);

// One run of a command line through the command processor. Output arrives through signals as the
// command writes it; `run` waits for the end while the event loop keeps going, so windows stay painted.
class CommandProcess : public QObject
{
    Q_OBJECT
public:
    explicit CommandProcess(QObject *parent = nullptr);
    ~CommandProcess() override;

    // Starts `commandLine` in `workingDirectory` (the current directory when empty). Returns false when a
    // run is already going on; a command processor that cannot start is reported by failedToStart().
    bool start(const QString &commandLine, const QString &workingDirectory = QString());

    // Starts `commandLine` and waits for it as waitForFinished() does; returns the exit code, or -1 when
    // the command processor could not start or crashed.
    int run(const QString &commandLine, const QString &workingDirectory = QString());

    // Waits for the running command in a local event loop. Returns at once when nothing runs.
    void waitForFinished();

    bool isRunning() const;
    void writeInput(const QByteArray &data);
    void closeInput();

    // Ends the command and everything it started (its whole process group), politely first.
    void stop();

    int exitCode() const { return m_exitCode; }
    bool crashed() const { return m_crashed; }
    QString errorString() const { return m_errorString; }
    qint64 elapsedMilliseconds() const { return m_elapsedMs; }

signals:
    void started();
    void outputReceived(const QByteArray &data);
    void errorReceived(const QByteArray &data);
    void failedToStart(const QString &reason);
    void finished(int exitCode, bool crashed);

private:
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void onError(QProcess::ProcessError error);

    QProcess *m_process = nullptr;
    QElapsedTimer m_clock;
    int m_exitCode = -1;
    bool m_crashed = false;
    QString m_errorString;
    qint64 m_elapsedMs = 0;
};

} // namespace brivo
