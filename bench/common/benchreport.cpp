#include "bench/common/benchreport.h"

#include <algorithm>
#include <cstdio>

namespace brivo::bench {

bool reportRatio(const QString &figure, double measured, double limit, const QString &against, double target,
                 const QString &unit)
{
    const double ratio = limit > 0 ? measured / limit : 0;
    const bool holds = limit > 0 && ratio <= target;
    std::printf("%-34s %6.2f x %-28s target <= %.2f   %-6s (%.1f %s vs %.1f %s)\n", qPrintable(figure), ratio,
                qPrintable(against), target, holds ? "holds" : "MISSES", measured, qPrintable(unit), limit,
                qPrintable(unit));
    std::fflush(stdout);
    return holds;
}

double median(QList<double> samples)
{
    if (samples.isEmpty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const qsizetype mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

} // namespace brivo::bench
