#include "zip/archiverrun.h"

#include <QTimer>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

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

void ArchiverRun::start(const QString &program, const QStringList &arguments, const QByteArray &input)
{
    if (isRunning())
        return;
    if (m_process) {
        m_process->disconnect(this);
        m_process->deleteLater();
    }
    m_process = new QProcess(this);
    m_outputReader = LineReader();
    m_errorReader = ArchiverOutputReader();
    m_cancelled = false;
    m_exitCode = -1;
    m_exitStatus = QProcess::NormalExit;
    m_errorString.clear();

    connect(m_process, &QProcess::readyReadStandardOutput, this, &ArchiverRun::readOutput);
    connect(m_process, &QProcess::readyReadStandardError, this, &ArchiverRun::readErrors);
    connect(m_process, &QProcess::finished, this, &ArchiverRun::processEnded);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            startFailed();
    });

#ifdef Q_OS_UNIX
    // A session of its own: 7z has no terminal to ask on, so a question reaches its standard input
    // (which this run answers or closes) and never the terminal Brivo was started from.
    m_process->setChildProcessModifier([] { ::setsid(); });
#endif
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->start(QIODevice::ReadWrite);
    if (m_process->state() == QProcess::NotRunning)
        return; // errorOccurred() has been or will be delivered
    if (!input.isEmpty())
        m_process->write(input);
    m_process->closeWriteChannel();
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
    m_cancelled = true;
    m_process->disconnect(this);
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

qint64 ArchiverRun::processId() const
{
    return isRunning() ? m_process->processId() : 0;
}

void ArchiverRun::readOutput()
{
    const QStringList lines = m_outputReader.feed(m_process->readAllStandardOutput());
    if (!lines.isEmpty())
        emit outputLines(lines);
}

void ArchiverRun::readErrors()
{
    const ArchiverOutputReader::Result result = m_errorReader.feed(m_process->readAllStandardError());
    if (result.progress)
        emit progress(*result.progress);
    QStringList lines = result.lines;
    // Progress reports leave blank lines behind once rubbed out.
    lines.removeIf([](const QString &line) { return line.trimmed().isEmpty(); });
    if (!lines.isEmpty())
        emit errorLines(lines);
}

void ArchiverRun::processEnded()
{
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
        emit finished(Outcome::Cancelled);
    else
        emit finished(m_exitStatus == QProcess::CrashExit ? Outcome::Crashed : Outcome::Finished);
}

void ArchiverRun::startFailed()
{
    m_errorString = m_process->errorString();
    // Reported from the event loop, never from inside start(): the caller is not in the middle of it then.
    QMetaObject::invokeMethod(
        this, [this] { emit finished(Outcome::FailedToStart); }, Qt::QueuedConnection);
}

} // namespace brivo::zip
