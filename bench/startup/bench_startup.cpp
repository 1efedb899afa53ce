// Start-up cost: from process start to the launcher's first paint, against a bare Qt program that shows
// one empty window, in time and in peak memory; then the memory each holds once it sits idle on the
// screen. Both run alternately in the same session.
#include "bench/common/benchreport.h"
#include "bench/common/childprocess.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString bin = QCoreApplication::applicationDirPath();
    const QString brivo = bin + QStringLiteral("/brivo");
    const QString bare = bin + QStringLiteral("/bench_bare_window");
    const QMap<QString, QString> env = {
        {QStringLiteral("BRIVO_QUIT_AFTER_FIRST_PAINT"), QStringLiteral("1")}};
    const int rounds = 15;

    // Warm the file cache and the font cache before measuring.
    brivo::bench::runChild(brivo, {}, env);
    brivo::bench::runChild(bare, {}, env);

    QList<double> brivoMs, bareMs, brivoMiB, bareMiB;
    for (int i = 0; i < rounds; ++i) {
        const auto b = brivo::bench::runChild(brivo, {}, env);
        const auto q = brivo::bench::runChild(bare, {}, env);
        if (b.exitCode != 0 || q.exitCode != 0) {
            std::fprintf(stderr, "bench_startup: a run failed (brivo %d, bare %d)\n", b.exitCode, q.exitCode);
            return 2;
        }
        brivoMs.append(b.milliseconds);
        bareMs.append(q.milliseconds);
        brivoMiB.append(b.peakMiB);
        bareMiB.append(q.peakMiB);
    }
    using brivo::bench::median;
    bool holds =
        brivo::bench::reportRatio(QStringLiteral("launcher start (time)"), median(brivoMs), median(bareMs),
                                  QStringLiteral("bare Qt window"), 1.2, QStringLiteral("ms"));
    holds &= brivo::bench::reportRatio(QStringLiteral("launcher start (peak memory)"), median(brivoMiB),
                                       median(bareMiB), QStringLiteral("bare Qt window"), 1.2,
                                       QStringLiteral("MiB"));

    // Idle: the launcher's tiles are decoded off the GUI thread after the first paint; two seconds leave
    // time for all of that to settle.
    QList<double> brivoIdle, bareIdle;
    for (int i = 0; i < 5; ++i) {
        brivoIdle.append(brivo::bench::idleResidentMiB(brivo, {}, 2000));
        bareIdle.append(brivo::bench::idleResidentMiB(bare, {}, 2000));
    }
    holds &= brivo::bench::reportRatio(QStringLiteral("idle launcher (memory)"), median(brivoIdle),
                                       median(bareIdle), QStringLiteral("bare Qt window"), 1.2,
                                       QStringLiteral("MiB"));
    return holds ? 0 : 1;
}
