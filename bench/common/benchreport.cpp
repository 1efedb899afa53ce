#include "bench/common/benchreport.h"

#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace brivo::bench {

namespace {

QSet<QString> &listedNames()
{
    static QSet<QString> names;
    return names;
}

} // namespace

bool report(const Figure &figure, double measured, double limit)
{
    return reportRatio(QString::fromUtf8(figure.name), measured, limit, QString::fromUtf8(figure.against),
                       figure.target, QString::fromUtf8(figure.unit));
}

bool reportNotMeasured(const Figure &figure, const QString &why)
{
    std::printf("%-44s    n/a %-28s NOT MEASURED: %s\n", figure.name, figure.against, qPrintable(why));
    std::fflush(stdout);
    return false;
}

bool listFigures(int argc, char *argv[], std::initializer_list<const char *> names)
{
    for (const char *name : names)
        listedNames().insert(QString::fromUtf8(name));
    if (argc != 2 || std::strcmp(argv[1], "--list") != 0)
        return false;
    for (const char *name : names)
        std::printf("%s\n", name);
    std::fflush(stdout);
    return true;
}

bool reportRatio(const QString &figure, double measured, double limit, const QString &against, double target,
                 const QString &unit)
{
    const double ratio = limit > 0 ? measured / limit : 0;
    const bool reference = target < 0;
    const bool holds = reference || (limit > 0 && ratio <= target);
    const QString verdict = reference ? QStringLiteral("reference, no target")
                                      : QStringLiteral("target <= %1   %2")
                                            .arg(target, 0, 'f', 2)
                                            .arg(holds ? QStringLiteral("holds ") : QStringLiteral("MISSES"));
    const char *unlisted = listedNames().contains(figure) ? "" : "   [missing from --list]";
    std::printf("%-44s %6.2f x %-28s %-24s (%.1f %s vs %.1f %s)%s\n", qPrintable(figure), ratio,
                qPrintable(against), qPrintable(verdict), measured, qPrintable(unit), limit, qPrintable(unit),
                unlisted);
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
