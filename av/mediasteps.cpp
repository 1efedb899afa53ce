#include "av/mediasteps.h"

#include <cmath>
#include <iterator>

namespace brivo {

qint64 seekTarget(qint64 positionMs, qint64 offsetMs, qint64 durationMs)
{
    qint64 target = positionMs + offsetMs;
    if (durationMs > 0 && target > durationMs)
        target = durationMs;
    return target < 0 ? 0 : target;
}

double steppedVolume(double volume, double step)
{
    const double percent = std::round((volume + step) * 100.0);
    return qBound(0.0, percent / 100.0, 1.0);
}

double steppedRate(double rate, int direction)
{
    static constexpr double rates[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
    if (direction > 0) {
        for (double step : rates) {
            if (step > rate + 1e-6)
                return step;
        }
        return rates[std::size(rates) - 1];
    }
    for (auto it = std::rbegin(rates); it != std::rend(rates); ++it) {
        if (*it < rate - 1e-6)
            return *it;
    }
    return rates[0];
}

} // namespace brivo
