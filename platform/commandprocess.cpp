#include "platform/commandprocess.h"

#include "platform/casepath.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace brivo {

namespace {

QString quoteForProcessor(const QString &text)
{
#ifdef Q_OS_WIN
    return QLatin1Char('"') + text + QLatin1Char('"');
#else
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
#endif
}

} // namespace

QString completeProgramPath(const QString &path)
{
    const QString resolved = resolveCaseInsensitive(path);
    static const char *const suffixes[] = {"", ".sh", ".bat", ".cmd"};
    for (const char *suffix : suffixes) {
        const QString candidate = resolveCaseInsensitive(path + QLatin1String(suffix));
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return resolved;
}

QString commandLineForProgram(const QString &path)
{
    const QString program = completeProgramPath(path);
#ifdef Q_OS_WIN
    return quoteForProcessor(QDir::toNativeSeparators(program));
#else
    const QFileInfo info(program);
    if (info.isFile() && !info.isExecutable())
        return QStringLiteral("/bin/sh ") + quoteForProcessor(program);
    return quoteForProcessor(program);
#endif
}

CommandProcess::CommandProcess(QObject *parent) : QObject(parent) {}

CommandProcess::~CommandProcess()
{
    if (isRunning()) {
        stop();
        m_process->waitForFinished(2000);
    }
}

bool CommandProcess::start(const QString &commandLine, const QString &workingDirectory)
{
    if (isRunning())
        return false;
    delete m_process;
    m_process = new QProcess(this);
    m_exitCode = -1;
    m_crashed = false;
    m_errorString.clear();
    m_elapsedMs = 0;

    if (!workingDirectory.isEmpty())
        m_process->setWorkingDirectory(workingDirectory);
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            [this] { emit outputReceived(m_process->readAllStandardOutput()); });
    connect(m_process, &QProcess::readyReadStandardError, this,
            [this] { emit errorReceived(m_process->readAllStandardError()); });
    connect(m_process, &QProcess::started, this, &CommandProcess::started);
    connect(m_process, &QProcess::finished, this, &CommandProcess::onFinished);
    connect(m_process, &QProcess::errorOccurred, this, &CommandProcess::onError);

#ifdef Q_OS_WIN
    m_process->setProgram(QStringLiteral("cmd.exe"));
    m_process->setNativeArguments(QStringLiteral("/c ") + commandLine);
#else
    // A process group of its own, so that stop() reaches whatever the command started.
    m_process->setChildProcessModifier([] { ::setpgid(0, 0); });
    m_process->setProgram(QStringLiteral("/bin/sh"));
    m_process->setArguments({QStringLiteral("-c"), commandLine});
#endif
    m_clock.start();
    m_process->start(QIODevice::ReadWrite);
    return true;
}

int CommandProcess::run(const QString &commandLine, const QString &workingDirectory)
{
    if (!start(commandLine, workingDirectory))
        return -1;
    waitForFinished();
    return m_crashed ? -1 : m_exitCode;
}

void CommandProcess::waitForFinished()
{
    if (!isRunning())
        return;
    QEventLoop loop;
    connect(this, &CommandProcess::finished, &loop, &QEventLoop::quit);
    connect(this, &CommandProcess::failedToStart, &loop, &QEventLoop::quit);
    if (isRunning())
        loop.exec(QEventLoop::AllEvents);
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
#ifdef Q_OS_UNIX
    const qint64 pid = m_process->processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGTERM);
    // Whatever ignores the polite request is killed a moment later.
    QTimer::singleShot(1500, m_process, [process = m_process] {
        if (process->state() != QProcess::NotRunning && process->processId() > 0)
            ::kill(-static_cast<pid_t>(process->processId()), SIGKILL);
    });
#else
    m_process->kill();
#endif
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
