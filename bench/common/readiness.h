// When a program that was just started is ready for its user, judged from outside the process by what
// it does: its window shown and painted with its content, and then either its CPU settled or its sound
// started. Plain functions over what a watcher recorded, so that the rule is the same for every program.
#pragma once

#include <QList>

#include <optional>

namespace brivo::bench {

struct CpuSample
{
    double atMs = 0;   // since the program was started
    double usedMs = 0; // CPU time used by all its threads so far
};

// What a watcher saw of one run. Times are milliseconds since the program was started.
struct Observation
{
    QList<CpuSample> cpu; // in time order
    QList<double> paints; // in time order: the program drew a sizeable part of one of its windows
    double shownMs = -1;  // its first window was mapped (-1: not yet)
    double soundMs = -1;  // its first sound reached the speaker (-1: not yet)
};

enum class ReadyWhen
{
    Settled, // painted, then quiet: no CPU to speak of and nothing drawn for a while
    Playing, // painted and sounding
};

struct ReadyRule
{
    ReadyWhen when = ReadyWhen::Settled;
    double quietMs = 500;    // how long the program must stay quiet to count as settled
    double busyShare = 0.05; // the share of one core it may use while quiet (timers, a blinking cursor)
    double slackMs = 2;      // CPU it may use in the quiet time on top of that share
};

// Listens for sound in raw 16-bit little-endian samples, as a recorder writes them: in pieces of any
// length, a sample may be split between two.
class SoundDetector
{
public:
    // A sample at least `level` away from silence is sound.
    explicit SoundDetector(int level) : m_level(level) {}

    // Takes the next bytes; whether sound has been heard in any of them so far.
    bool take(const char *bytes, qsizetype count);

private:
    int m_level;
    bool m_heard = false;
    int m_lowByte = -1; // the first half of a split sample
};

// The moment the program became ready, once `nowMs` is late enough to tell (a settled program must have
// stayed quiet for the whole quiet time after it); nothing while that cannot be told yet.
std::optional<double> readyMoment(const Observation &seen, const ReadyRule &rule, double nowMs);

} // namespace brivo::bench
