#include "bench/common/readiness.h"

#include <algorithm>
#include <cstdlib>

namespace brivo::bench {

namespace {

// `paints` is in time order.
bool paintedWithin(const QList<double> &paints, double afterMs, double untilMs)
{
    const auto next = std::upper_bound(paints.begin(), paints.end(), afterMs);
    return next != paints.end() && *next <= untilMs;
}

// Whether the program stays quiet for the quiet time that starts at sample `start`: no paint, and no
// more CPU than the rule allows at any point of it. Needs a sample at or past the end of that time.
bool quietFrom(const Observation &seen, const ReadyRule &rule, qsizetype start)
{
    const CpuSample &from = seen.cpu[start];
    const double end = from.atMs + rule.quietMs;
    if (seen.cpu.constLast().atMs < end)
        return false;
    for (qsizetype j = start + 1; j < seen.cpu.size() && seen.cpu[j].atMs <= end; ++j) {
        const double elapsed = seen.cpu[j].atMs - from.atMs;
        if (seen.cpu[j].usedMs - from.usedMs > rule.slackMs + rule.busyShare * elapsed)
            return false;
    }
    return !paintedWithin(seen.paints, from.atMs, end);
}

} // namespace

bool SoundDetector::take(const char *bytes, qsizetype count)
{
    for (qsizetype i = 0; i < count && !m_heard; ++i) {
        const int byte = static_cast<unsigned char>(bytes[i]);
        if (m_lowByte < 0) {
            m_lowByte = byte;
            continue;
        }
        const auto sample = static_cast<qint16>(m_lowByte | byte << 8);
        m_heard = std::abs(int(sample)) >= m_level;
        m_lowByte = -1;
    }
    return m_heard;
}

std::optional<double> readyMoment(const Observation &seen, const ReadyRule &rule, double nowMs)
{
    if (seen.shownMs < 0 || seen.paints.isEmpty())
        return std::nullopt;
    const double firstPaint = seen.paints.constFirst();
    if (rule.when == ReadyWhen::Playing) {
        if (seen.soundMs < 0)
            return std::nullopt;
        return std::max({seen.shownMs, firstPaint, seen.soundMs});
    }
    for (qsizetype i = 0; i < seen.cpu.size(); ++i) {
        const double at = seen.cpu[i].atMs;
        if (at < firstPaint || at < seen.shownMs)
            continue;
        if (at + rule.quietMs > nowMs)
            break;
        if (quietFrom(seen, rule, i))
            return at;
    }
    return std::nullopt;
}

} // namespace brivo::bench
