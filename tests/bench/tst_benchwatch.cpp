// Watching a real program from outside, on an X server of the test's own (the test runs under
// xvfb-run): the launcher is seen to get ready with its window on the screen, and a program that ends
// early or never shows a window is reported as such, with nothing it started left running.
#include "bench/common/watchedrun.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace brivo::bench;

namespace {

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
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 4) {
            for (int x = 0; x < shot.width(); x += 4)
                colours.insert(shot.pixel(x, y));
        }
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
