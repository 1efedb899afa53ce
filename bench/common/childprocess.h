// Running a program to its end and reading what it cost: wall time and peak resident memory.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace brivo::bench {

// Starts `program` (a path, or a name looked up on the search path) with `arguments`, extra environment
// variables and, when given, another working folder, in a process group of its own. What it prints goes
// to `logPath` when given, its standard output to `outFd` when given; otherwise both stay this process's.
// Returns its pid, or -1.
pid_t startProcess(const QString &program, const QStringList &arguments,
                   const QMap<QString, QString> &environment = {}, const QString &workingDirectory = {},
                   const QString &logPath = {}, int outFd = -1);

// A memory line of /proc/<pid>/status in MiB ("VmHWM:" is the peak resident set, "VmRSS:" the present
// one); 0 when it cannot be read.
double statusMiB(pid_t pid, const char *field);

struct ChildCost
{
    double milliseconds = 0; // from start to exit
    double peakMiB = 0;      // the child's peak resident set
    int exitCode = -1;
};

// Starts `program` with `arguments` and extra environment variables, waits for it and measures it.
ChildCost runChild(const QString &program, const QStringList &arguments,
                   const QMap<QString, QString> &environment = {});

// Starts `program`, lets it settle for `settleMs`, reads its resident memory and ends it: what a program
// that sits idle on the screen holds.
double idleResidentMiB(const QString &program, const QStringList &arguments, int settleMs,
                       const QMap<QString, QString> &environment = {});

} // namespace brivo::bench
