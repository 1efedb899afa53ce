#include "bench/common/childprocess.h"

#include <QElapsedTimer>
#include <QFile>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace brivo::bench {

ChildCost runChild(const QString &program, const QStringList &arguments, const QMap<QString, QString> &environment)
{
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    ChildCost cost;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = fork();
    if (pid == 0) {
        for (auto it = environment.begin(); it != environment.end(); ++it)
            setenv(it.key().toLocal8Bit().constData(), it.value().toLocal8Bit().constData(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
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

} // namespace brivo::bench
