// The platform's command processor: runs a command line the way cmd /c does on Windows (/bin/sh -c here).
#pragma once

#include "brivo_core_export.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace brivo {

// The two families of command processor the program knows. The functions that take one are plain, so
// that what Windows gets can be checked anywhere.
enum class CommandShell
{
    Cmd,  // Windows: %ComSpec%, cmd.exe
    Posix // elsewhere: /bin/sh
};

// The command processor of the platform the program was built for.
BRIVO_CORE_EXPORT CommandShell hostCommandShell();

// The suffixes tried, in order, to complete a command named without its extension: ".bat", ".cmd", ".exe"
// and ".com" for cmd (a file without an extension does not run there); "", ".sh", ".bat" and ".cmd" for
// the POSIX shell, where the exact name wins and a ".bat" file is a shell script of that name.
QStringList commandSuffixes(CommandShell shell);

// Completes a program path the way the command processor does: the first of the suffixes above that
// names an existing file wins, each candidate resolved case-insensitively. For cmd, a name that already
// carries an extension is taken as it is. A path that matches nothing comes back as resolved.
BRIVO_CORE_EXPORT QString completeProgramPath(const QString &path, CommandShell shell = hostCommandShell());

// `program` quoted as one word of a command line for `shell`: in double quotes with backslashes for cmd
// (no path on Windows can hold a double quote), in single quotes for the POSIX shell.
BRIVO_CORE_EXPORT QString quoteProgram(const QString &program, CommandShell shell);

// The command line that runs the program at `path` with no arguments through the command processor: the
// completed path, quoted. A script that is not marked executable is handed to the shell explicitly, as
// cmd runs a batch file whatever its permissions.
BRIVO_CORE_EXPORT QString commandLineForProgram(const QString &path);

// How the command processor is started for `commandLine`. For cmd, the program is `comSpec` (%ComSpec%;
// "cmd.exe" when it is empty) and the whole line goes as native arguments: /d skips the AutoRun commands
// of the registry, /s /c runs what stands between the first and the last double quote exactly as it is,
// whatever quotes the line holds itself. For the POSIX shell: /bin/sh -c and the line as one argument.
struct ProcessorInvocation
{
    QString program;
    QStringList arguments;
    QString nativeArguments;
};
BRIVO_CORE_EXPORT ProcessorInvocation processorInvocation(const QString &commandLine, CommandShell shell,
                                                          const QString &comSpec = QString());

// One run of a command line through the command processor, driven by the child process's signals: start()
// returns at once; output, the end and a failure to start arrive as signals. The command and everything it
// starts form one group (a process group here, a job object on Windows) that stop() ends as a whole; a
// CommandProcess destroyed while its command runs ends the group before it goes.
class BRIVO_CORE_EXPORT CommandProcess : public QObject
{
    Q_OBJECT
public:
    explicit CommandProcess(QObject *parent = nullptr);
    ~CommandProcess() override;

    // Starts `commandLine` in `workingDirectory` (the current directory when empty). Returns false when a
    // run is already going on; a command processor that cannot start is reported by failedToStart().
    bool start(const QString &commandLine, const QString &workingDirectory = QString());

    bool isRunning() const;
    void writeInput(const QByteArray &data);
    void closeInput();

    // Ends the command and everything it started, politely first; finished() follows.
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
    void onStarted();
    void terminateGroup(); // asks the whole group to end
    void killGroup();      // ends it at once

    QProcess *m_process = nullptr;
    // The process id of the command processor of the newest run, which leads its process group; kept
    // after it ends, as what it started may still be there for stop() to end.
    qint64 m_group = 0;
    bool m_stopPending = false; // stop() was asked and its forceful end is still to come
    QElapsedTimer m_clock;
    int m_exitCode = -1;
    bool m_crashed = false;
    QString m_errorString;
    qint64 m_elapsedMs = 0;
#ifdef Q_OS_WIN
    void *m_job = nullptr; // the job object that holds the command's process tree
#endif
};

} // namespace brivo
