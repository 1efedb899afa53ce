// Starting a program and watching it from outside until it is ready for its user: its windows through
// the X server (mapped, then drawn into, seen through the DAMAGE extension), its CPU time through /proc,
// and optionally its sound through a sound server's monitor. Any program can be measured so, Brivo and
// the programs it is compared with alike.
#pragma once

#include "bench/common/readiness.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace brivo::bench {

struct WatchedRunSpec
{
    QString program; // a path, or a name looked up on the search path
    QStringList arguments;
    QMap<QString, QString> environment; // on top of this process's own
    QString workingDirectory;           // empty: this process's
    ReadyRule rule;
    double timeoutMs = 60000;
    QString logPath;        // what the program prints goes here (nowhere when empty)
    QString screenshotPath; // when set, the program's largest window is saved there as PNG once ready
    QString soundSource;    // for ReadyWhen::Playing: the sound server's source that hears the speaker
};

struct WatchedRunResult
{
    bool ready = false;
    QString failure; // why it never became ready, in words
    double readyMs = 0;
    double cpuMs = 0;       // the CPU time all its threads had used by then
    double peakMiB = 0;     // the program's peak resident set up to the moment it was judged ready
    double residentMiB = 0; // what it held then, at the end of its quiet time: idle on the screen
};

// Variables that give a program a home of its own under `folder`: its settings, caches and state, and
// Brivo's tool root, go there and not into the user's.
QMap<QString, QString> homeUnder(const QString &folder);

// Starts the program, watches it until it is ready (or fails, or the time-out passes) and ends it with
// everything it started in its process group.
WatchedRunResult watchRun(const WatchedRunSpec &request);

} // namespace brivo::bench
