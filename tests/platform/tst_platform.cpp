// The layer that stands in for Windows: tool root, case-insensitive paths, the command processor.
#include "platform/casepath.h"
#include "platform/commandprocess.h"
#include "platform/toolroot.h"
#include "tests/support/testhelpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using brivo::test::CurrentDirectory;
using brivo::test::TemporaryToolRoot;
using brivo::test::writeFile;

class tst_platform : public QObject
{
    Q_OBJECT
private slots:
    void caseInsensitiveResolution_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("found");
        QTest::newRow("exact") << "Ide/Perl/bin/perl.txt" << "Ide/Perl/bin/perl.txt";
        QTest::newRow("every component in other case") << "IDE/PERL/BIN/PERL.TXT" << "Ide/Perl/bin/perl.txt";
        QTest::newRow("missing file in existing folders keeps its name")
            << "ide/perl/BIN/New.txt" << "Ide/Perl/bin/New.txt";
        QTest::newRow("missing folder stops the search") << "ide/Ruby/bin/x.txt" << "Ide/Ruby/bin/x.txt";
        QTest::newRow("dot components pass through") << "./ide/../IDE/perl" << "./Ide/../Ide/Perl";
    }
    void caseInsensitiveResolution()
    {
        QFETCH(QString, asked);
        QFETCH(QString, found);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("Ide/Perl/bin/perl.txt")), "print 1"));

        // Absolute, and relative to the current directory.
        QCOMPARE(brivo::resolveCaseInsensitive(dir.path() + QLatin1Char('/') + asked),
                 dir.path() + QLatin1Char('/') + found);
        CurrentDirectory here(dir.path());
        QCOMPARE(brivo::resolveCaseInsensitive(asked), found);
    }

    void folderChecksIgnoreCaseButNotKind()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Ide/Perl")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("Ide/notes")), "a file, not a folder"));
        CurrentDirectory here(dir.path());
        QVERIFY(brivo::folderExists(QStringLiteral("IDE/PERL")));
        QVERIFY(brivo::folderExists(QStringLiteral("ide")));
        QVERIFY(!brivo::folderExists(QStringLiteral("IDE/NOTES")));
        QVERIFY(!brivo::folderExists(QStringLiteral("IDE/CCPP")));
        QVERIFY(!brivo::folderExists(QString()));
    }

    void toolRootMapping()
    {
        TemporaryToolRoot root;
        root.makeFolder(QStringLiteral("Ide/CCPP/bin"));
        QCOMPARE(brivo::toolRoot(), root.path());
        QCOMPARE(brivo::mapToolRootPath(QStringLiteral("c:/Brivo/Ide/CCPP/bin/a.cpp")),
                 root.path() + QStringLiteral("/Ide/CCPP/bin/a.cpp"));
        QCOMPARE(brivo::mapToolRootPath(QStringLiteral("C:/BRIVO/ide/ccpp/BIN/gcbat")),
                 root.path() + QStringLiteral("/Ide/CCPP/bin/gcbat"));
        QCOMPARE(brivo::mapToolRootPath(QStringLiteral("C:\\Brivo\\Ide")), root.path() + QStringLiteral("/Ide"));
        QCOMPARE(brivo::mapToolRootPath(QStringLiteral("C:/Brivo")), root.path());
        // Only the root itself is mapped, not names that merely begin like it.
        QCOMPARE(brivo::mapToolRootPath(QStringLiteral("C:/BrivoX/a")), QStringLiteral("C:/BrivoX/a"));
        QCOMPARE(brivo::mapToolRootPath(QStringLiteral("/home/x/C:/Brivo")), QStringLiteral("/home/x/C:/Brivo"));
    }

    void commandsAreCompletedLikeTheWindowsProcessor()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("bin/gcbat"));
        // No candidate: the path comes back as asked.
        QCOMPARE(brivo::completeProgramPath(base), base);
        QVERIFY(writeFile(base + QStringLiteral(".cmd"), "echo cmd"));
        QCOMPARE(brivo::completeProgramPath(base), base + QStringLiteral(".cmd"));
        QVERIFY(writeFile(base + QStringLiteral(".bat"), "echo bat"));
        QCOMPARE(brivo::completeProgramPath(base), base + QStringLiteral(".bat"));
        QVERIFY(writeFile(base + QStringLiteral(".SH"), "echo sh"));
        QCOMPARE(brivo::completeProgramPath(dir.filePath(QStringLiteral("BIN/GCBAT"))), base + QStringLiteral(".SH"));
        QVERIFY(writeFile(base, "echo plain"));
        QCOMPARE(brivo::completeProgramPath(base), base);
        // A name that already carries its extension is taken as it is.
        QCOMPARE(brivo::completeProgramPath(base + QStringLiteral(".bat")), base + QStringLiteral(".bat"));
    }

    void scriptsRunWhateverTheirNameAndPermissions()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("it's a folder"));
        const QString script = folder + QStringLiteral("/run me.bat");
        QVERIFY(writeFile(script, "echo \"ran $0\"\n"));
        QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner); // not executable

        brivo::CommandProcess process;
        QByteArray out;
        connect(&process, &brivo::CommandProcess::outputReceived, [&out](const QByteArray &d) { out += d; });
        QCOMPARE(process.run(brivo::commandLineForProgram(folder + QStringLiteral("/RUN ME"))), 0);
        QVERIFY2(out.contains("ran"), out.constData());

        QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
        out.clear();
        QCOMPARE(process.run(brivo::commandLineForProgram(script)), 0);
        QVERIFY2(out.contains("ran"), out.constData());
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
        QVERIFY(process.start(QStringLiteral("read name; pwd; echo \"hi $name\" >&2; sleep 0.5; exit 3"), dir.path()));
        process.writeInput("you\n");
        process.waitForFinished();
        QCOMPARE(process.exitCode(), 3);
        QVERIFY(!process.crashed() && !process.isRunning());
        QCOMPARE(QDir(QString::fromLocal8Bit(out.trimmed())).canonicalPath(), QDir(dir.path()).canonicalPath());
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
        QElapsedTimer clock;
        clock.start();
        process.stop();
        process.waitForFinished();
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(!process.isRunning());
        QTest::qWait(2500);
        QVERIFY(!QFile::exists(marker));
    }
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
