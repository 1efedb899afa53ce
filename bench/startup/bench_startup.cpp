// Start-up cost: from process start to the launcher being ready (shown, painted, CPU settled), watched
// from outside, against two bare Qt programs: one that draws what the launcher draws (its floor, the
// figures with a target) and one that shows an empty window (for reference). Time and peak memory until
// ready, and the memory each holds once it sits idle. Besides, the start with a file whose extension no
// tool claims (its content is then read to mark the tool that reads it) against the start with a .txt
// file, and against the start with a folder, which opens the same chooser with no content to read. All
// run in turn, round after round.
#include "bench/common/benchreport.h"
#include "bench/common/watchedrun.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using brivo::bench::Figure;

const Figure kTime{"launcher start (time)", "bare Qt tiles", 1.05, "ms"};
const Figure kPeak{"launcher start (peak memory)", "bare Qt tiles", 1.05, "MiB"};
const Figure kIdle{"idle launcher (memory)", "bare Qt tiles", 1.05, "MiB"};
const Figure kCpu{"launcher start (CPU time)", "bare Qt tiles", brivo::bench::kNoTarget, "ms"};
const Figure kTimeEmpty{"launcher start over an empty window (time)", "bare Qt empty window",
                        brivo::bench::kNoTarget, "ms"};
const Figure kPeakEmpty{"launcher start over an empty window (memory)", "bare Qt empty window",
                        brivo::bench::kNoTarget, "MiB"};
// Telling a file by its content must not slow the start: the chooser with a file against the chooser with
// a folder, which has no content to read. Against the notepad's start for reference: the chooser's
// message box is a window of its own that comes before the launcher.
const Figure kUnknownOverFolder{"start with a file of unknown type over a folder (time)",
                                "start with a folder", 1.05, "ms"};
const Figure kUnknown{"start with a file of unknown type (time)", "start with a .txt file",
                      brivo::bench::kNoTarget, "ms"};

struct Samples
{
    QList<double> ms, cpuMs, peakMiB, idleMiB;
};

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(argc, argv,
                                  {kTime.name, kPeak.name, kIdle.name, kCpu.name, kTimeEmpty.name,
                                   kPeakEmpty.name, kUnknown.name, kUnknownOverFolder.name}))
        return 0;
    QCoreApplication app(argc, argv);
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir home;
    // The same few lines of text under both names.
    const QString text = home.filePath(QStringLiteral("notes.txt"));
    const QString unknown = home.filePath(QStringLiteral("notes.dat"));
    for (const QString &name : {text, unknown}) {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write("A few lines of text.\nAnd one more.\n") < 0)
            return 1;
    }
    const QString brivo = bin + QStringLiteral("/brivo");
    const QList<std::pair<QString, QStringList>> programs = {{brivo, {}},
                                                             {bin + QStringLiteral("/bench_bare_tiles"), {}},
                                                             {bin + QStringLiteral("/bench_bare_window"), {}},
                                                             {brivo, {text}},
                                                             {brivo, {unknown}},
                                                             {brivo, {home.path()}}};
    const int rounds = 21;

    QList<Samples> samples(programs.size());
    // The first round warms the file and font caches and is not counted.
    for (int round = 0; round <= rounds; ++round) {
        for (int k = 0; k < programs.size(); ++k) {
            // Each round starts with another program, so that none always follows the same one.
            const int which = (k + round) % programs.size();
            brivo::bench::WatchedRunSpec request;
            request.program = programs[which].first;
            request.arguments = programs[which].second;
            request.environment = brivo::bench::homeUnder(home.path());
            request.timeoutMs = 20000;
            const brivo::bench::WatchedRunResult run = brivo::bench::watchRun(request);
            if (!run.ready) {
                std::fprintf(stderr, "bench_startup: %s %s\n", qPrintable(request.program),
                             qPrintable(run.failure));
                for (const Figure &figure : {kTime, kPeak, kIdle})
                    brivo::bench::reportNotMeasured(figure, request.program.section(QLatin1Char('/'), -1) +
                                                                QLatin1Char(' ') + run.failure);
                return 1;
            }
            if (round > 0) {
                samples[which].ms.append(run.readyMs);
                samples[which].cpuMs.append(run.cpuMs);
                samples[which].peakMiB.append(run.peakMiB);
                samples[which].idleMiB.append(run.residentMiB);
            }
        }
    }
    using brivo::bench::median;
    const Samples &launcher = samples[0], &tiles = samples[1], &empty = samples[2], &withText = samples[3],
                  &withUnknown = samples[4], &withFolder = samples[5];
    bool holds = brivo::bench::report(kTime, median(launcher.ms), median(tiles.ms));
    holds &= brivo::bench::report(kPeak, median(launcher.peakMiB), median(tiles.peakMiB));
    holds &= brivo::bench::report(kIdle, median(launcher.idleMiB), median(tiles.idleMiB));
    holds &= brivo::bench::report(kUnknownOverFolder, median(withUnknown.ms), median(withFolder.ms));
    brivo::bench::report(kUnknown, median(withUnknown.ms), median(withText.ms));
    brivo::bench::report(kCpu, median(launcher.cpuMs), median(tiles.cpuMs));
    brivo::bench::report(kTimeEmpty, median(launcher.ms), median(empty.ms));
    brivo::bench::report(kPeakEmpty, median(launcher.peakMiB), median(empty.peakMiB));
    return holds ? 0 : 1;
}
