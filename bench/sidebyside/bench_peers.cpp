// Brivo against the program its user would otherwise open, on the same file: the time from start until
// the window is ready (shown, painted with its content, and then CPU settled, or for sound playing), and
// the peak memory until then. Both are watched from outside the same way, in alternating rounds; each
// figure is the median of five rounds. A peer that is not installed, or never becomes ready, is reported
// as such, and its figures count as misses.
//
// bench/peers runs this with a session bus and a sound server; BRIVO_BENCH_SOUND_SOURCE names the
// server's source that hears what is played. `--shots DIR` saves each program's window of the first
// round there, `--logs DIR` what each program printed.
#include "bench/common/benchreport.h"
#include "bench/common/samplefiles.h"
#include "bench/common/watchedrun.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

namespace {

using brivo::bench::Figure;
using brivo::bench::ReadyWhen;

const Figure kTextTime{"start with a 50 MB text file (time)", "FeatherPad", 0.8, "ms"};
const Figure kTextMemory{"start with a 50 MB text file (peak memory)", "FeatherPad", 1.0, "MiB"};
const Figure kSourceTime{"start with a 20 MB C++ file (time)", "FeatherPad", 0.8, "ms"};
const Figure kSourceMemory{"start with a 20 MB C++ file (peak memory)", "FeatherPad", 0.8, "MiB"};
const Figure kEmptyTime{"start with an empty text file (time)", "FeatherPad", 0.8, "ms"};
const Figure kEmptyMemory{"start with an empty text file (peak memory)", "FeatherPad", 0.8, "MiB"};
const Figure kPhotoTime{"start with a 24 MP JPEG (time)", "lximage-qt", 0.8, "ms"};
const Figure kPhotoMemory{"start with a 24 MP JPEG (peak memory)", "lximage-qt", 1.0, "MiB"};
const Figure kPdfTime{"start with a 300-page PDF (time)", "qpdfview", 0.8, "ms"};
const Figure kPdfMemory{"start with a 300-page PDF (peak memory)", "qpdfview", 1.0, "MiB"};
const Figure kAudioTime{"start with 3 minutes of MP3, playing (time)", "mpv", 1.0, "ms"};

struct Peer
{
    QString program;   // looked up on the search path
    QString name;      // as the figures name it
    QStringList flags; // before the file
};

struct Comparison
{
    QString slug; // names the screenshots and logs
    QString file;
    QList<Peer> peers; // the first one installed is measured
    ReadyWhen when;
    double timeoutMs;
    Figure time;
    std::optional<Figure> memory;
};

struct Options
{
    QString brivo;
    QString home;
    QString shots;
    QString logs;
    QString soundSource;
    int rounds = 5;
};

QString valueOf(const QStringList &arguments, const QString &flag)
{
    const qsizetype at = arguments.indexOf(flag);
    return at >= 0 ? arguments.value(at + 1) : QString();
}

// Watched runs of the programs of one comparison, each with a home of its own that lasts from round to
// round, as a user's would. A run that never gets ready gives nothing, and `failure` says why.
class Runner
{
public:
    Runner(const Options &options, const Comparison &comparison)
        : m_options(options), m_comparison(comparison)
    {}

    std::optional<brivo::bench::WatchedRunResult> once(const QString &name, const QString &program,
                                                       const QStringList &arguments, bool shot,
                                                       QString *failure)
    {
        brivo::bench::WatchedRunSpec request;
        request.program = program;
        request.arguments = arguments;
        request.environment = brivo::bench::homeUnder(m_options.home + QLatin1Char('/') + name);
        request.rule.when = m_comparison.when;
        request.timeoutMs = m_comparison.timeoutMs;
        request.soundSource = m_options.soundSource;
        const QString label = m_comparison.slug + QLatin1Char('-') + name;
        if (!m_options.logs.isEmpty())
            request.logPath = m_options.logs + QLatin1Char('/') + label + QStringLiteral(".log");
        if (shot && !m_options.shots.isEmpty())
            request.screenshotPath = m_options.shots + QLatin1Char('/') + label + QStringLiteral(".png");
        const brivo::bench::WatchedRunResult result = brivo::bench::watchRun(request);
        if (!result.ready) {
            *failure = name + QLatin1Char(' ') + result.failure;
            if (!request.logPath.isEmpty())
                *failure += QStringLiteral(" (what it printed: %1)").arg(request.logPath);
            return std::nullopt;
        }
        return result;
    }

private:
    const Options &m_options;
    const Comparison &m_comparison;
};

bool compare(const Options &options, const Comparison &comparison)
{
    auto notMeasured = [&](const QString &why) {
        brivo::bench::reportNotMeasured(comparison.time, why);
        if (comparison.memory)
            brivo::bench::reportNotMeasured(*comparison.memory, why);
        return false;
    };
    std::optional<Peer> peer;
    QString path;
    for (const Peer &candidate : comparison.peers) {
        path = QStandardPaths::findExecutable(candidate.program);
        if (!path.isEmpty()) {
            peer = candidate;
            break;
        }
    }
    if (!peer)
        return notMeasured(comparison.peers.constFirst().program + QStringLiteral(" is not installed"));
    if (comparison.when == ReadyWhen::Playing && options.soundSource.isEmpty())
        return notMeasured(QStringLiteral("no sound server to hear it (run it through bench/peers)"));

    Runner runner(options, comparison);
    const QString brivoName = QStringLiteral("brivo");
    QList<double> brivoMs, peerMs, brivoMiB, peerMiB;
    QString failure;
    for (int round = 0; round <= options.rounds; ++round) {
        // Brivo goes first in even rounds, second in odd ones; round 0 warms the caches.
        for (int turn = 0; turn < 2; ++turn) {
            const bool brivoTurn = (turn == 0) == (round % 2 == 0);
            const auto run =
                brivoTurn ? runner.once(brivoName, options.brivo, {comparison.file}, round == 1, &failure)
                          : runner.once(peer->program, path, peer->flags + QStringList{comparison.file},
                                        round == 1, &failure);
            if (!run)
                return notMeasured(failure);
            if (round == 0)
                continue;
            (brivoTurn ? brivoMs : peerMs).append(run->readyMs);
            (brivoTurn ? brivoMiB : peerMiB).append(run->peakMiB);
        }
    }
    using brivo::bench::median;
    const Figure &time = comparison.time;
    bool holds = brivo::bench::reportRatio(QString::fromUtf8(time.name), median(brivoMs), median(peerMs),
                                           peer->name, time.target, QString::fromUtf8(time.unit));
    if (comparison.memory) {
        const Figure &memory = *comparison.memory;
        holds &= brivo::bench::reportRatio(QString::fromUtf8(memory.name), median(brivoMiB), median(peerMiB),
                                           peer->name, memory.target, QString::fromUtf8(memory.unit));
    }
    return holds;
}

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(argc, argv,
                                  {kTextTime.name, kTextMemory.name, kSourceTime.name, kSourceMemory.name,
                                   kEmptyTime.name, kEmptyMemory.name, kPhotoTime.name, kPhotoMemory.name,
                                   kPdfTime.name, kPdfMemory.name, kAudioTime.name}))
        return 0;
    // The sample files are drawn without a screen; the programs measured get the real one.
    QList<QByteArray> own = {argv[0], "-platform", "offscreen"};
    std::vector<char *> ownArgv;
    for (QByteArray &item : own)
        ownArgv.push_back(item.data());
    int ownArgc = int(ownArgv.size());
    QGuiApplication app(ownArgc, ownArgv.data());

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QTemporaryDir work;
    Options options;
    options.brivo = QCoreApplication::applicationDirPath() + QStringLiteral("/brivo");
    options.home = work.filePath(QStringLiteral("homes"));
    options.shots = valueOf(arguments, QStringLiteral("--shots"));
    options.logs = valueOf(arguments, QStringLiteral("--logs"));
    options.soundSource = qEnvironmentVariable("BRIVO_BENCH_SOUND_SOURCE");
    if (const int rounds = qEnvironmentVariableIntValue("BRIVO_BENCH_ROUNDS"); rounds > 0)
        options.rounds = rounds;
    for (const QString &folder : {options.shots, options.logs}) {
        if (!folder.isEmpty())
            QDir().mkpath(folder);
    }

    const QString text = work.filePath(QStringLiteral("large.txt"));
    const QString source = work.filePath(QStringLiteral("large.cpp"));
    const QString empty = work.filePath(QStringLiteral("empty.txt"));
    const QString photo = work.filePath(QStringLiteral("photo.jpg"));
    const QString manual = work.filePath(QStringLiteral("manual.pdf"));
    const QString tone = work.filePath(QStringLiteral("tone.mp3"));
    QFile textFile(text), sourceFile(source), emptyFile(empty);
    const bool written = textFile.open(QIODevice::WriteOnly) &&
                         textFile.write(brivo::bench::sampleText(50 * 1000 * 1000)) > 0 && textFile.flush() &&
                         sourceFile.open(QIODevice::WriteOnly) &&
                         sourceFile.write(brivo::bench::sampleSource(20 * 1000 * 1000)) > 0 &&
                         sourceFile.flush() && emptyFile.open(QIODevice::WriteOnly) &&
                         brivo::bench::photoLike(QSize(6000, 4000), 1).save(photo, "JPEG", 92) &&
                         brivo::bench::writeManual(manual, 300);
    textFile.close();
    sourceFile.close();
    if (!written) {
        std::fprintf(stderr, "bench_peers: cannot write the sample files in %s\n", qPrintable(work.path()));
        return 2;
    }
    const QString toneProblem = brivo::bench::writeTone(tone, 180);

    const Peer featherpad{QStringLiteral("featherpad"), QStringLiteral("FeatherPad"), {}};
    const QList<Comparison> comparisons = {
        {QStringLiteral("text"), text, {featherpad}, ReadyWhen::Settled, 180000, kTextTime, kTextMemory},
        {QStringLiteral("source"),
         source,
         {featherpad},
         ReadyWhen::Settled,
         180000,
         kSourceTime,
         kSourceMemory},
        {QStringLiteral("empty"), empty, {featherpad}, ReadyWhen::Settled, 30000, kEmptyTime, kEmptyMemory},
        {QStringLiteral("photo"),
         photo,
         {{QStringLiteral("lximage-qt"), QStringLiteral("lximage-qt"), {}},
          {QStringLiteral("qimgv"), QStringLiteral("qimgv"), {}}},
         ReadyWhen::Settled,
         60000,
         kPhotoTime,
         kPhotoMemory},
        {QStringLiteral("pdf"),
         manual,
         {{QStringLiteral("qpdfview"), QStringLiteral("qpdfview"), {}}},
         ReadyWhen::Settled,
         60000,
         kPdfTime,
         kPdfMemory},
    };
    // BRIVO_BENCH_PEERS=text,source measures only the comparisons named (text, source, empty, photo, pdf,
    // audio), for a quick look at one of them.
    const QStringList only =
        qEnvironmentVariable("BRIVO_BENCH_PEERS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto wanted = [&only](const QString &slug) { return only.isEmpty() || only.contains(slug); };
    bool holds = true;
    for (const Comparison &comparison : comparisons) {
        if (wanted(comparison.slug))
            holds &= compare(options, comparison);
    }

    const Comparison audio{QStringLiteral("audio"),
                           tone,
                           {{QStringLiteral("mpv"),
                             QStringLiteral("mpv"),
                             {QStringLiteral("--player-operation-mode=pseudo-gui"), QStringLiteral("--")}}},
                           ReadyWhen::Playing,
                           60000,
                           kAudioTime,
                           std::nullopt};
    if (wanted(audio.slug)) {
        if (!toneProblem.isEmpty())
            holds &= brivo::bench::reportNotMeasured(kAudioTime, toneProblem);
        else
            holds &= compare(options, audio);
    }
    return holds ? 0 : 1;
}
