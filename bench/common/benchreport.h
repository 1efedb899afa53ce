// How every benchmark prints a figure: one line, the ratio against its limit, the target and the verdict.
#pragma once

#include <QList>
#include <QString>

namespace brivo::bench {

// Prints e.g.
//   launcher start (time)        1.07 x bare Qt window        target <= 1.20   holds   (61.3 ms vs 57.2 ms)
// Returns whether the ratio holds. `unit` labels the two raw values.
bool reportRatio(const QString &figure, double measured, double limit, const QString &against, double target,
                 const QString &unit);

// The median of `samples` (0 for none).
double median(QList<double> samples);

} // namespace brivo::bench
