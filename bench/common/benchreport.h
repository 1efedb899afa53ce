// How every benchmark prints a figure: one line, the ratio against its limit, the target and the verdict.
// Every benchmark program answers `--list` with the names of its figures, one a line, without measuring.
#pragma once

#include <QList>
#include <QString>

#include <initializer_list>

namespace brivo::bench {

// The target of a figure given for reference only, which cannot miss.
inline constexpr double kNoTarget = -1;

// One figure a benchmark prints: what is measured, against what, the most the ratio may be (kNoTarget
// for none) and the unit of the two raw values.
struct Figure
{
    const char *name;
    const char *against;
    double target;
    const char *unit;
};

// Prints e.g.
//   launcher start (time)        1.03 x bare Qt tiles         target <= 1.05   holds   (61.3 ms vs 59.5 ms)
// Returns whether the ratio holds (always, for a reference figure).
bool report(const Figure &figure, double measured, double limit);

// Prints the figure as not measured, and why; it counts as a miss.
bool reportNotMeasured(const Figure &figure, const QString &why);

// With `--list` as the only argument: prints the names of the figures the program prints, one a line,
// and returns true. Called first thing in main(); a figure reported later that is missing from the list
// is marked so on its line.
bool listFigures(int argc, char *argv[], std::initializer_list<const char *> names);

// The older form of report(), for a figure given by its parts.
bool reportRatio(const QString &figure, double measured, double limit, const QString &against, double target,
                 const QString &unit);

// The median of `samples` (0 for none).
double median(QList<double> samples);

} // namespace brivo::bench
