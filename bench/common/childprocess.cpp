#include "bench/common/childprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace brivo::bench {

namespace {

// Starts `program` with `arguments` and extra environment variables; returns its pid (-1 on failure).
pid_t spawn(const QString &program, const QStringList &arguments, const QMap<QString, QString> &environment)
{
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        for (auto it = environment.begin(); it != environment.end(); ++it)
            setenv(it.key().toLocal8Bit().constData(), it.value().toLocal8Bit().constData(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// The resident set of a running process, from /proc (0 when it cannot be read).
double residentMiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

ChildCost runChild(const QString &program, const QStringList &arguments,
                   const QMap<QString, QString> &environment)
{
    ChildCost cost;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = spawn(program, arguments, environment);
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
    const pid_t pid = spawn(program, arguments, environment);
    if (pid < 0)
        return 0;
    QThread::msleep(settleMs);
    const double resident = residentMiB(pid);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return resident;
}

} // namespace brivo::bench
