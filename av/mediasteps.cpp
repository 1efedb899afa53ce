#include "av/mediasteps.h"

#include <cmath>

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

} // namespace brivo
