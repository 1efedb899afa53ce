// The layer that stands in for Windows: tool root, case-insensitive paths, the command processor.
#include "platform/casepath.h"
#include "platform/commandprocess.h"
#include "platform/toolroot.h"
#include "tests/support/testhelpers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace brivo::test;

class tst_platform : public QObject
{
    Q_OBJECT
private slots:
    void caseInsensitiveResolution_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("found");
        QTest::addColumn<bool>("folder"); // what folderExists() says of the asked path
        QTest::newRow("exact") << "Ide/Perl/bin/perl.txt"
                               << "Ide/Perl/bin/perl.txt" << false;
        QTest::newRow("every component in other case") << "IDE/PERL/BIN/PERL.TXT"
                                                       << "Ide/Perl/bin/perl.txt" << false;
        QTest::newRow("a folder in other case") << "IDE/PERL/BIN"
                                                << "Ide/Perl/bin" << true;
        QTest::newRow("missing file in existing folders keeps its name") << "ide/perl/BIN/New.txt"
                                                                         << "Ide/Perl/bin/New.txt" << false;
        QTest::newRow("missing folder stops the search") << "ide/Ruby/bin/x.txt"
                                                         << "Ide/Ruby/bin/x.txt" << false;
        QTest::newRow("dot components pass through") << "./ide/../IDE/perl"
                                                     << "./Ide/../Ide/Perl" << true;
    }
    void caseInsensitiveResolution()
    {
        QFETCH(QString, asked);
        QFETCH(QString, found);
        QFETCH(bool, folder);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("Ide/Perl/bin/perl.txt")), "print 1"));

        // Absolute, and relative to the current directory.
        QCOMPARE(brivo::resolveCaseInsensitive(dir.path() + QLatin1Char('/') + asked),
                 dir.path() + QLatin1Char('/') + found);
        CurrentDirectory here(dir.path());
        QCOMPARE(brivo::resolveCaseInsensitive(asked), found);
        QCOMPARE(brivo::folderExists(asked), folder);
        QVERIFY(!brivo::folderExists(QString()));
    }

    void toolRootMapping()
    {
        TemporaryToolRoot root;
        root.makeFolder(QStringLiteral("Ide/CCPP/bin"));
        QCOMPARE(brivo::toolRoot(), root.path());
        const auto mapped = [](const char *path) {
            return brivo::mapToolRootPath(QString::fromLatin1(path));
        };
        QCOMPARE(mapped("c:/Brivo/Ide/CCPP/bin/a.cpp"), root.path() + QStringLiteral("/Ide/CCPP/bin/a.cpp"));
        QCOMPARE(mapped("C:/BRIVO/ide/ccpp/BIN/gcbat"), root.path() + QStringLiteral("/Ide/CCPP/bin/gcbat"));
        QCOMPARE(mapped("C:\\Brivo\\Ide"), root.path() + QStringLiteral("/Ide"));
        QCOMPARE(mapped("C:/Brivo"), root.path());
        QCOMPARE(mapped("C:/BrivoX/a"),
                 QStringLiteral("C:/BrivoX/a")); // only the root itself, not its look-alikes
        QCOMPARE(mapped("/home/x/C:/Brivo"), QStringLiteral("/home/x/C:/Brivo"));
    }

    // Completed as the Windows command processor does; scripts run whatever their path and permissions.
    void programsAreCompletedAndRun()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("it's a bin/run me")),
                      bat = base + QStringLiteral(".bat");
        const auto completed = [&dir](const char *path) {
            return brivo::completeProgramPath(dir.filePath(path));
        };
        QCOMPARE(completed("it's a bin/run me"), base); // no candidate: the path comes back as asked
        QVERIFY(writeFile(base + QStringLiteral(".cmd"), "exit 1"));
        QCOMPARE(completed("it's a bin/run me"), base + QStringLiteral(".cmd"));
        QVERIFY(writeFile(bat, "exit 7\n"));
        QCOMPARE(completed("it's a bin/run me"), bat);
        brivo::CommandProcess process;
        QCOMPARE(process.run(brivo::commandLineForProgram(dir.filePath(QStringLiteral("IT'S A BIN/RUN ME")))),
                 7);
        QVERIFY(QFile::setPermissions(bat, QFile::permissions(bat) | QFileDevice::ExeOwner));
        QCOMPARE(process.run(brivo::commandLineForProgram(base)), 7); // executable now
        QVERIFY(writeFile(base + QStringLiteral(".SH"), "exit 2"));
        QCOMPARE(completed("IT'S A BIN/RUN ME"), base + QStringLiteral(".SH"));
        QVERIFY(writeFile(base, "exit 3"));
        QCOMPARE(completed("it's a bin/run me"), base);
        QCOMPARE(completed("it's a bin/run me.bat"), bat); // a name with its extension is taken as it is
    }

    void commandProcessRunsInItsFolderWithBothStreamsAndInput()
    {
        QTemporaryDir dir;
        brivo::CommandProcess process;
        QByteArray out, err;
        connect(&process, &brivo::CommandProcess::outputReceived, [&out](const QByteArray &d) { out += d; });
        connect(&process, &brivo::CommandProcess::errorReceived, [&err](const QByteArray &d) { err += d; });
        // While the run is waited for, the event loop goes on: windows keep painting.
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(20);
        QVERIFY(process.start(QStringLiteral("read name; pwd; echo \"hi $name\" >&2; sleep 0.5; exit 3"),
                              dir.path()));
        process.writeInput("you\n");
        process.waitForFinished();
        QCOMPARE(process.exitCode(), 3);
        QVERIFY(!process.crashed() && !process.isRunning());
        QCOMPARE(QDir(QString::fromLocal8Bit(out.trimmed())).canonicalPath(),
                 QDir(dir.path()).canonicalPath());
        QCOMPARE(err, QByteArray("hi you\n"));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }

    void stopEndsTheCommandAndWhatItStarted()
    {
        QTemporaryDir dir;
        const QString marker = dir.filePath(QStringLiteral("survived"));
        brivo::CommandProcess process;
        // The shell starts a child that would leave a mark if it outlived the stop.
        QVERIFY(process.start(QStringLiteral("(sleep 2; touch '%1') & sleep 30").arg(marker)));
        QTest::qWait(200);
        QVERIFY(process.isRunning());
        const QDeadlineTimer deadline(5000);
        process.stop();
        process.waitForFinished();
        QVERIFY(!deadline.hasExpired());
        QVERIFY(!process.isRunning());
        QTest::qWait(2500);
        QVERIFY(!QFile::exists(marker));
    }
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
