#include "zip/archiverrun.h"

#include <QEventLoop>
#include <QTimer>

namespace brivo::zip {

namespace {

// How long 7z may take to tidy up after the polite request before it is killed.
constexpr int cancelGraceMs = 3000;

} // namespace

ArchiverRun::ArchiverRun(QObject *parent) : QObject(parent)
{
    m_killTimer = new QTimer(this);
    m_killTimer->setSingleShot(true);
    m_killTimer->setInterval(cancelGraceMs);
    connect(m_killTimer, &QTimer::timeout, this, [this] {
        if (isRunning())
            m_process->kill();
    });
}

ArchiverRun::~ArchiverRun()
{
    endNow();
}

ArchiverRun::Outcome ArchiverRun::run(const QString &program, const QStringList &arguments)
{
    if (isRunning())
        return Outcome::FailedToStart;

    delete m_process;
    m_process = new QProcess(this);
    m_outputReader = ArchiverOutputReader();
    m_errorReader = ArchiverOutputReader();
    m_cancelled = false;
    m_exitCode = -1;
    m_exitStatus = QProcess::NormalExit;
    m_errorString.clear();

    connect(m_process, &QProcess::readyReadStandardOutput, this, &ArchiverRun::readOutput);
    connect(m_process, &QProcess::readyReadStandardError, this, &ArchiverRun::readErrors);

    QEventLoop loop;
    bool startFailed = false;
    connect(m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    connect(m_process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            startFailed = true;
            loop.quit();
        }
    });

    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->start(QIODevice::ReadWrite);
    // Nothing is ever typed into the archiver: should it ask a question anyway, it reads the end of its
    // input and goes on instead of waiting for ever.
    m_process->closeWriteChannel();

    if (!startFailed && m_process->state() != QProcess::NotRunning)
        loop.exec();

    if (startFailed || m_process->error() == QProcess::FailedToStart) {
        m_errorString = m_process->errorString();
        return Outcome::FailedToStart;
    }
    if (isRunning()) {
        // The application is quitting and ended every event loop: the archiver does not outlive it.
        m_cancelled = true;
        endNow();
    }
    m_killTimer->stop();

    readOutput();
    readErrors();
    if (const QString rest = m_outputReader.finish(); !rest.isEmpty())
        emit outputLines({rest});
    if (const QString rest = m_errorReader.finish(); !rest.isEmpty())
        emit errorLines({rest});

    m_exitCode = m_process->exitCode();
    m_exitStatus = m_process->exitStatus();
    if (m_cancelled)
        return Outcome::Cancelled;
    return m_exitStatus == QProcess::CrashExit ? Outcome::Crashed : Outcome::Finished;
}

void ArchiverRun::cancel()
{
    if (!isRunning() || m_cancelled)
        return;
    m_cancelled = true;
#ifdef Q_OS_WIN
    // A console program has no window to receive a polite close request.
    m_process->kill();
#else
    m_process->terminate();
    m_killTimer->start();
#endif
}

void ArchiverRun::endNow()
{
    if (!isRunning())
        return;
#ifndef Q_OS_WIN
    // Asked politely, 7z removes the archive it was writing; only one that will not stop is killed.
    m_process->terminate();
    if (m_process->waitForFinished(cancelGraceMs))
        return;
#endif
    m_process->kill();
    m_process->waitForFinished(cancelGraceMs);
}

bool ArchiverRun::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

void ArchiverRun::readOutput()
{
    const ArchiverOutputReader::Result result = m_outputReader.feed(m_process->readAllStandardOutput());
    if (result.progress)
        emit progress(*result.progress);
    if (!result.lines.isEmpty())
        emit outputLines(result.lines);
}

void ArchiverRun::readErrors()
{
    const ArchiverOutputReader::Result result = m_errorReader.feed(m_process->readAllStandardError());
    if (!result.lines.isEmpty())
        emit errorLines(result.lines);
}

} // namespace brivo::zip
