#include "bench/common/childprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>

#include <fcntl.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace brivo::bench {

double statusMiB(pid_t pid, const char *field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

pid_t startProcess(const QString &program, const QStringList &arguments,
                   const QMap<QString, QString> &environment, const QString &workingDirectory,
                   const QString &logPath, int outFd)
{
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    std::vector<std::pair<QByteArray, QByteArray>> variables;
    for (auto it = environment.begin(); it != environment.end(); ++it)
        variables.emplace_back(it.key().toLocal8Bit(), it.value().toLocal8Bit());
    const QByteArray directory = QFile::encodeName(workingDirectory);
    const QByteArray log = QFile::encodeName(logPath);

    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    setpgid(0, 0);
    // Out of the terminal's process group a Ctrl+C would not reach it: it ends with this process.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (!log.isEmpty()) {
        const int logFd = open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(logFd, STDOUT_FILENO);
        dup2(logFd, STDERR_FILENO);
    }
    if (outFd >= 0)
        dup2(outFd, STDOUT_FILENO);
    const int nullFd = open("/dev/null", O_RDONLY);
    dup2(nullFd, STDIN_FILENO);
    for (const auto &[name, value] : variables)
        setenv(name.constData(), value.constData(), 1);
    if (!directory.isEmpty() && chdir(directory.constData()) != 0)
        _exit(126);
    execvp(argv[0], argv.data());
    _exit(127);
}

namespace {} // namespace

ChildCost runChild(const QString &program, const QStringList &arguments,
                   const QMap<QString, QString> &environment)
{
    ChildCost cost;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = startProcess(program, arguments, environment);
    if (pid < 0)
        return cost;
    int status = 0;
    struct rusage usage = {};
    wait4(pid, &status, 0, &usage);
    cost.milliseconds = clock.nsecsElapsed() / 1e6;
    cost.peakMiB = usage.ru_maxrss / 1024.0;
    cost.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return cost;
}

double idleResidentMiB(const QString &program, const QStringList &arguments, int settleMs,
                       const QMap<QString, QString> &environment)
{
    const pid_t pid = startProcess(program, arguments, environment);
    if (pid < 0)
        return 0;
    QThread::msleep(settleMs);
    const double resident = statusMiB(pid, "VmRSS:");
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return resident;
}

} // namespace brivo::bench
