// When a program watched from outside counts as ready (shown, painted, then quiet or sounding), on made-up
// observations; when a figure holds its target; and the watcher on real programs, under xvfb-run.
#include "bench/common/benchreport.h"
#include "bench/common/readiness.h"
#include "bench/common/watchedrun.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace brivo::bench;

Q_DECLARE_METATYPE(brivo::bench::Observation)

namespace {

// CPU samples every `stepMs` from 0 to `untilMs`; `busy(t)` is the share of a core used at time t.
template <typename Busy> QList<CpuSample> cpuTrace(double untilMs, Busy busy, double stepMs = 2)
{
    QList<CpuSample> samples;
    double used = 0;
    for (double at = 0; at <= untilMs; at += stepMs) {
        samples.append({at, used});
        used += busy(at) * stepMs;
    }
    return samples;
}

Observation startsThenSettles(double busyUntilMs, double watchedUntilMs)
{
    Observation seen;
    seen.cpu = cpuTrace(watchedUntilMs, [=](double at) { return at < busyUntilMs ? 1.0 : 0.0; });
    seen.shownMs = 40;
    seen.paints = {45, busyUntilMs - 5};
    return seen;
}

// The pid a shell wrote into `path`, once it has.
pid_t writtenPid(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toInt()) : 0;
}

bool alive(pid_t pid)
{
    return pid > 0 && kill(pid, 0) == 0;
}

} // namespace

class tst_benchwatch : public QObject
{
    Q_OBJECT
private slots:
    // Ready when the work ends, once the quiet time after it has passed; nothing can be told before.
    void readyWhenTheWorkEnds_data()
    {
        QTest::addColumn<Observation>("seen");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("work, then quiet") << startsThenSettles(300, 1500) << 298.0 << 302.0;
        // A blinking cursor or a clock: a little CPU now and then, no sizeable paint.
        Observation blinking = startsThenSettles(300, 1500);
        blinking.cpu =
            cpuTrace(1500, [](double at) { return at < 300 ? 1.0 : (int(at) % 250 < 2 ? 0.3 : 0.0); });
        QTest::newRow("a blinking cursor") << blinking << 298.0 << 310.0;
        // The program waits idle for its window before drawing the content, then works briefly: the quiet
        // before the paint does not count.
        Observation idleFirst;
        idleFirst.cpu = cpuTrace(1500, [](double at) { return at >= 800 && at < 850 ? 1.0 : 0.0; });
        idleFirst.shownMs = 100;
        idleFirst.paints = {840};
        QTest::newRow("idle before the paint") << idleFirst << 848.0 << 852.0;
    }
    void readyWhenTheWorkEnds()
    {
        QFETCH(Observation, seen);
        QFETCH(double, from);
        QFETCH(double, to);
        const ReadyRule rule;
        QVERIFY(!readyMoment(seen, rule, from + rule.quietMs - 10));
        const auto ready = readyMoment(seen, rule, 1500);
        QVERIFY(ready);
        QVERIFY2(*ready >= from && *ready <= to, qPrintable(QString::number(*ready)));
    }

    void whatIsNotReadyYet_data()
    {
        QTest::addColumn<Observation>("seen");
        QTest::addColumn<double>("notBefore");
        const auto withCpu = [](auto busy) {
            Observation seen;
            seen.cpu = cpuTrace(3000, busy);
            seen.shownMs = 40;
            seen.paints = {45};
            return seen;
        };
        // Loading in two parts with a pause shorter than the quiet time between them.
        QTest::newRow("pause in the middle")
            << withCpu([](double at) { return at < 300 || (at > 600 && at < 2700); }) << 2700.0;
        // A worker that gets only a fifth of a core on a busy machine is still working.
        QTest::newRow("starved worker") << withCpu([](double) { return 0.2; }) << 3000.0;
        Observation unpainted = startsThenSettles(300, 3000);
        unpainted.paints.clear();
        QTest::newRow("window never painted") << unpainted << 3000.0;
        Observation hidden = startsThenSettles(300, 3000);
        hidden.shownMs = -1;
        QTest::newRow("no window") << hidden << 3000.0;
        // The content is painted within the quiet time, with hardly any CPU (a picture decoded on the
        // display side): the quiet starts again after it.
        Observation latePaint = startsThenSettles(300, 3000);
        latePaint.paints.append(700);
        QTest::newRow("paint in the quiet time") << latePaint << 700.0;
    }
    void whatIsNotReadyYet()
    {
        QFETCH(Observation, seen);
        QFETCH(double, notBefore);
        const auto ready = readyMoment(seen, ReadyRule(), 3000);
        QVERIFY2(!ready || *ready >= notBefore, qPrintable(QString::number(ready.value_or(-1))));
    }

    void playingNeedsThePaintedWindowAndTheSound()
    {
        ReadyRule rule;
        rule.when = ReadyWhen::Playing;
        Observation seen;
        // Playing keeps the CPU busy for good: that must not matter.
        seen.cpu = cpuTrace(2000, [](double) { return 0.1; });
        seen.shownMs = 300;
        seen.paints = {320};
        QVERIFY(!readyMoment(seen, rule, 2000));
        for (const double sound : {250.0, 700.0}) { // before the paint, ready when painted; after, when heard
            seen.soundMs = sound;
            QCOMPARE(readyMoment(seen, rule, 2000).value_or(-1), std::max(sound, 320.0));
        }
    }

    void soundInPiecesOfAnyLength_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("split");
        QTest::addColumn<bool>("heard");
        const QByteArray silence(1000, '\0');
        // 0x0200 = 512 and 0xfe00 = -512 are sound at level 256; 0x00ff = 255 and 0xff01 = -255 are not.
        QTest::newRow("just below the level") << silence + QByteArray("\xff\x00\x01\xff", 4) << 0 << false;
        QTest::newRow("loud, negative") << silence + QByteArray("\x00\xfe", 2) << 0 << true;
        // A sample split between two reads; a detector that lost the odd byte would read 0x0200 as
        // 0x0002 and the next bytes out of step.
        QTest::newRow("split sample") << silence + QByteArray("\x00\x02", 2) << 1001 << true;
        // Quiet samples of 2 (0x0002) read out of step would be 0x0200, which is sound.
        QTest::newRow("quiet, split at an odd byte") << QByteArray("\x02\x00", 2).repeated(500) << 1 << false;
    }
    void soundInPiecesOfAnyLength()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, split);
        QFETCH(bool, heard);
        SoundDetector detector(256);
        bool result = detector.take(bytes.constData(), split);
        result = detector.take(bytes.constData() + split, bytes.size() - split) || result;
        QCOMPARE(result, heard);
    }

    void verdicts_data()
    {
        QTest::addColumn<double>("measured");
        QTest::addColumn<double>("limit");
        QTest::addColumn<double>("target");
        QTest::addColumn<bool>("holds");
        QTest::newRow("on the target") << 10.0 << 10.0 << 1.0 << true;
        QTest::newRow("over the target") << 10.5 << 10.0 << 1.0 << false;
        // A count that must stay at nought: none holds, one misses.
        QTest::newRow("target nought, none") << 0.0 << 76.0 << 0.0 << true;
        QTest::newRow("target nought, one") << 1.0 << 76.0 << 0.0 << false;
        // A limit that could not be measured proves nothing.
        QTest::newRow("no limit") << 5.0 << 0.0 << 1.0 << false;
        QTest::newRow("reference only") << 50.0 << 10.0 << kNoTarget << true;
    }
    void verdicts()
    {
        QFETCH(double, measured);
        QFETCH(double, limit);
        QFETCH(double, target);
        QFETCH(bool, holds);
        QCOMPARE(reportRatio(QStringLiteral("figure"), measured, limit, QStringLiteral("limit"), target,
                             QStringLiteral("ms")),
                 holds);
    }

    void launcherGetsReady()
    {
        QTemporaryDir home;
        WatchedRunSpec request;
        request.program = QStringLiteral(BRIVO_PROGRAM);
        request.environment = homeUnder(home.path());
        // This test runs on the offscreen platform; the program watched must reach the X server.
        request.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        request.timeoutMs = 60000;
        request.screenshotPath = home.filePath(QStringLiteral("launcher.png"));
        const WatchedRunResult run = watchRun(request);
        QVERIFY2(run.ready, qPrintable(run.failure));
        QVERIFY(run.readyMs > 0 && run.readyMs < request.timeoutMs);
        QVERIFY(run.cpuMs > 0);
        QVERIFY(run.peakMiB >= run.residentMiB && run.residentMiB > 10);

        // What was on the screen when it was judged ready: the whole launcher, drawn.
        const QImage shot(request.screenshotPath);
        QCOMPARE(shot.size(), QSize(600, 660));
        QSet<QRgb> colours; // of every fifth pixel
        for (int i = 0; i < shot.width() * shot.height(); i += 5)
            colours.insert(shot.pixel(i % shot.width(), i / shot.width()));
        QVERIFY2(colours.size() > 50, qPrintable(QString::number(colours.size())));
    }

    void whatNeverGetsReady_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("failure");
        QTest::newRow("ends at once") << QStringLiteral("echo $$ > \"$0\"; exit 3")
                                      << QStringLiteral("ended with exit code 3 before it was ready");
        // A child of its own, in the background: it must not outlive the run either.
        QTest::newRow("no window") << QStringLiteral("sleep 60 & echo $! > \"$0\"; wait")
                                   << QStringLiteral("showed no window within 2 s");
        QTest::newRow("no such program")
            << QString() << QStringLiteral("ended with exit code 127 before it was ready");
    }
    void whatNeverGetsReady()
    {
        QFETCH(QString, script);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        const QString pidFile = dir.filePath(QStringLiteral("pid"));
        WatchedRunSpec request;
        request.program =
            script.isEmpty() ? QStringLiteral("/nonexistent/program") : QStringLiteral("/bin/sh");
        request.arguments = {QStringLiteral("-c"), script, pidFile};
        request.timeoutMs = 2000;
        const WatchedRunResult run = watchRun(request);
        QVERIFY(!run.ready);
        QCOMPARE(run.failure, failure);
        if (script.isEmpty())
            return;
        const pid_t started = writtenPid(pidFile);
        QVERIFY(started > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!alive(started), 5000);
    }
};

QTEST_GUILESS_MAIN(tst_benchwatch)
#include "tst_benchwatch.moc"
