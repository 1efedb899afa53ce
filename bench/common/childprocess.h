// Running a program to its end and reading what it cost: wall time and peak resident memory.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace brivo::bench {

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
