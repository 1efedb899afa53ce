#include "platform/commandprocess.h"

#include "platform/casepath.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace brivo {

namespace {

// How long a command may take to end after a polite request before it is killed.
constexpr int kStopGraceMs = 1500;
// The same when the owner goes away (the window is being destroyed, the program is quitting).
constexpr int kTeardownGraceMs = 300;

} // namespace

CommandShell hostCommandShell()
{
#ifdef Q_OS_WIN
    return CommandShell::Cmd;
#else
    return CommandShell::Posix;
#endif
}

QStringList commandSuffixes(CommandShell shell)
{
    if (shell == CommandShell::Cmd)
        return {QStringLiteral(".bat"), QStringLiteral(".cmd"), QStringLiteral(".exe"),
                QStringLiteral(".com")};
    return {QString(), QStringLiteral(".sh"), QStringLiteral(".bat"), QStringLiteral(".cmd")};
}

QString completeProgramPath(const QString &path, CommandShell shell)
{
    const QString resolved = resolveCaseInsensitive(path);
    QStringList suffixes = commandSuffixes(shell);
    if (shell == CommandShell::Cmd && !QFileInfo(path).suffix().isEmpty())
        suffixes = {QString()};
    for (const QString &suffix : std::as_const(suffixes)) {
        const QString candidate = resolveCaseInsensitive(path + suffix);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return resolved;
}

QString quoteProgram(const QString &program, CommandShell shell)
{
    if (shell == CommandShell::Cmd) {
        QString native = program;
        native.replace(QLatin1Char('/'), QLatin1Char('\\'));
        return QLatin1Char('"') + native + QLatin1Char('"');
    }
    QString quoted = program;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString commandLineForProgram(const QString &path)
{
    const CommandShell shell = hostCommandShell();
    const QString program = completeProgramPath(path, shell);
    const QFileInfo info(program);
    if (shell == CommandShell::Posix && info.isFile() && !info.isExecutable())
        return QStringLiteral("/bin/sh ") + quoteProgram(program, shell);
    return quoteProgram(program, shell);
}

ProcessorInvocation processorInvocation(const QString &commandLine, CommandShell shell,
                                        const QString &comSpec)
{
    ProcessorInvocation invocation;
    if (shell == CommandShell::Cmd) {
        invocation.program = comSpec.isEmpty() ? QStringLiteral("cmd.exe") : comSpec;
        invocation.nativeArguments = QStringLiteral("/d /s /c \"") + commandLine + QLatin1Char('"');
    } else {
        invocation.program = QStringLiteral("/bin/sh");
        invocation.arguments = {QStringLiteral("-c"), commandLine};
    }
    return invocation;
}

CommandProcess::CommandProcess(QObject *parent) : QObject(parent) {}

CommandProcess::~CommandProcess()
{
    if (m_process) {
        // Whoever listened is going away too: nothing is announced from here on.
        m_process->disconnect(this);
        if (isRunning()) {
            // A blocking wait without an event loop, bounded and only at teardown: the owner is being
            // destroyed, and neither the command nor what it started may outlive it.
            terminateGroup();
            m_process->waitForFinished(kTeardownGraceMs);
            killGroup();
            if (isRunning())
                m_process->waitForFinished(kStopGraceMs);
        } else if (m_stopPending) {
            // The command has ended, but what it started may still ignore the polite request.
            killGroup();
        }
    }
#ifdef Q_OS_WIN
    if (m_job)
        CloseHandle(m_job);
#endif
}

bool CommandProcess::start(const QString &commandLine, const QString &workingDirectory)
{
    if (isRunning())
        return false;
    // What the previous run left behind after a Stop goes now, before its group is forgotten.
    if (m_stopPending)
        killGroup();
    delete m_process;
    m_process = new QProcess(this);
    m_exitCode = -1;
    m_group = 0;
    m_stopPending = false;
    m_crashed = false;
    m_errorString.clear();
    m_elapsedMs = 0;

    if (!workingDirectory.isEmpty())
        m_process->setWorkingDirectory(workingDirectory);
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            [this] { emit outputReceived(m_process->readAllStandardOutput()); });
    connect(m_process, &QProcess::readyReadStandardError, this,
            [this] { emit errorReceived(m_process->readAllStandardError()); });
    connect(m_process, &QProcess::started, this, &CommandProcess::onStarted);
    connect(m_process, &QProcess::finished, this, &CommandProcess::onFinished);
    connect(m_process, &QProcess::errorOccurred, this, &CommandProcess::onError);

    const CommandShell shell = hostCommandShell();
    const ProcessorInvocation invocation =
        processorInvocation(commandLine, shell, qEnvironmentVariable("ComSpec"));
    m_process->setProgram(invocation.program);
    m_process->setArguments(invocation.arguments);
#ifdef Q_OS_WIN
    m_process->setNativeArguments(invocation.nativeArguments);
    // Everything the command starts joins its job, so that stop() reaches the whole tree.
    if (m_job)
        CloseHandle(m_job);
    m_job = CreateJobObjectW(nullptr, nullptr);
    if (m_job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, DWORD(sizeof limits));
    }
#else
    // A process group of its own, so that stop() reaches whatever the command started.
    m_process->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    m_clock.start();
    m_process->start(QIODevice::ReadWrite);
    m_group = m_process->processId();
#ifndef Q_OS_WIN
    // The child makes its own group; doing it from here as well closes the moment between fork and exec
    // in which a stop() would find no group yet (the call fails harmlessly once the child has done it).
    if (m_group > 0)
        ::setpgid(static_cast<pid_t>(m_group), static_cast<pid_t>(m_group));
#endif
    return true;
}

bool CommandProcess::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

void CommandProcess::writeInput(const QByteArray &data)
{
    if (isRunning())
        m_process->write(data);
}

void CommandProcess::closeInput()
{
    if (isRunning())
        m_process->closeWriteChannel();
}

void CommandProcess::stop()
{
    if (!isRunning())
        return;
    terminateGroup();
    // Whatever ignores the polite request is killed a moment later, also when the command itself has
    // ended by then and left something it started behind.
    m_stopPending = true;
    QTimer::singleShot(kStopGraceMs, this, [this, group = m_group] {
        if (group != m_group)
            return;
        m_stopPending = false;
        killGroup();
    });
}

void CommandProcess::terminateGroup()
{
#ifdef Q_OS_WIN
    // Console programs have no polite request that reaches a whole tree from outside.
    killGroup();
#else
    if (m_group > 0)
        ::kill(-static_cast<pid_t>(m_group), SIGTERM);
#endif
}

void CommandProcess::killGroup()
{
#ifdef Q_OS_WIN
    if (m_job)
        TerminateJobObject(m_job, 1);
    if (m_process)
        m_process->kill();
#else
    if (m_group > 0)
        ::kill(-static_cast<pid_t>(m_group), SIGKILL);
#endif
}

void CommandProcess::onStarted()
{
#ifdef Q_OS_WIN
    // QProcess announces the start right after creating the process, before the command processor has
    // read its line, so nothing it starts escapes the job.
    if (m_job) {
        const HANDLE process =
            OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(m_process->processId()));
        if (process) {
            AssignProcessToJobObject(m_job, process);
            CloseHandle(process);
        }
    }
#endif
    emit started();
}

void CommandProcess::onFinished(int exitCode, QProcess::ExitStatus status)
{
    m_elapsedMs = m_clock.elapsed();
    m_exitCode = exitCode;
    m_crashed = status == QProcess::CrashExit;
    // Output that arrived together with the end has not been announced yet.
    const QByteArray out = m_process->readAllStandardOutput();
    if (!out.isEmpty())
        emit outputReceived(out);
    const QByteArray err = m_process->readAllStandardError();
    if (!err.isEmpty())
        emit errorReceived(err);
    emit finished(m_exitCode, m_crashed);
}

void CommandProcess::onError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    m_elapsedMs = m_clock.elapsed();
    m_crashed = true;
    m_errorString = m_process->errorString();
    emit failedToStart(m_errorString);
}

} // namespace brivo
