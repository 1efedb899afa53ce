// The layer that stands in for Windows: tool root, case-insensitive paths, the command processor.
#include "platform/associatedprogram.h"
#include "platform/casepath.h"
#include "platform/commandprocess.h"
#include "platform/toolroot.h"
#include "tests/support/testhelpers.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

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
        const QList<std::tuple<const char *, const char *, const char *, bool>> rows = {
            {"exact", "Ide/Perl/bin/perl.txt", "Ide/Perl/bin/perl.txt", false},
            {"every component in other case", "IDE/PERL/BIN/PERL.TXT", "Ide/Perl/bin/perl.txt", false},
            {"a folder in other case", "IDE/PERL/BIN", "Ide/Perl/bin", true},
            {"missing file in existing folders keeps its name", "ide/perl/BIN/New.txt",
             "Ide/Perl/bin/New.txt", false},
            {"missing folder stops the search", "ide/Ruby/bin/x.txt", "Ide/Ruby/bin/x.txt", false},
            {"dot components pass through", "./ide/../IDE/perl", "./Ide/../Ide/Perl", true},
        };
        for (const auto &[name, asked, found, folder] : rows)
            QTest::newRow(name) << QString(asked) << QString(found) << folder;
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

    // A document's mail link reaches the mail program with its recipients, subject and body only.
    void mailLinksKeepOnlyAddressSubjectAndBody_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("handed");
        QTest::newRow("attachment") << "mailto:me@example.org?subject=Hi&attach=/etc/passwd"
                                    << "mailto:me@example.org?subject=Hi";
        QTest::newRow("copies and case")
            << "mailto:a@b.c,d@e.f?cc=x@y.z&Body=Hello%20there&bcc=q@r.s&SUBJECT=S"
            << "mailto:a@b.c,d@e.f?body=Hello%20there&subject=S";
        QTest::newRow("delimiters in the body") << "mailto:a@b.c?body=a%26attach%3D/etc/passwd%25"
                                                << "mailto:a@b.c?body=a%26attach%3D/etc/passwd%25";
        QTest::newRow("repeated subject") << "mailto:a@b.c?subject=1&subject=2"
                                          << "mailto:a@b.c?subject=1";
        QTest::newRow("query escaped in the address") << "mailto:a%3Fattach=/etc/passwd@b.c"
                                                      << "mailto:";
    }
    void mailLinksKeepOnlyAddressSubjectAndBody()
    {
        QFETCH(QString, link);
        QFETCH(QString, handed);
        QCOMPARE(brivo::mailAddressOnly(QUrl(link)).toString(QUrl::FullyEncoded), handed);
    }

    // A link the desktop's opener fails on comes back to the caller (a browser-less desktop's xdg-open
    // starts and then fails); what reaches the opener is the cut-down mail address.
    void addressesTheDesktopCannotOpenComeBack()
    {
        QTemporaryDir bin;
        QVERIFY(writeFile(bin.filePath(QStringLiteral("xdg-open")),
                          "#!/bin/sh\nprintf %s \"$1\" > \"$0.asked\"\nexit 3\n"));
        QVERIFY(QFile::setPermissions(bin.filePath(QStringLiteral("xdg-open")),
                                      QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        QList<QUrl> back;
        const auto handBack = [&](const QUrl &address) { back.append(address); };
        QVERIFY(!brivo::openWebAddress(QUrl(QStringLiteral("file:///etc/passwd")), handBack));
        QVERIFY(
            brivo::openWebAddress(QUrl(QStringLiteral("mailto:a@b.c?attach=/etc/passwd&body=hi")), handBack));
        QTRY_COMPARE(back.size(), 1);
        QVERIFY(brivo::openWebAddress(QUrl(QStringLiteral("https://example.org/x")), handBack));
        QTRY_COMPARE(back.size(), 2);
        qputenv("PATH", path);
        QCOMPARE(back.last(), QUrl(QStringLiteral("https://example.org/x")));
        QCOMPARE(readFile(bin.filePath(QStringLiteral("xdg-open.asked"))),
                 QByteArray("https://example.org/x"));
        QCOMPARE(back.first(), QUrl(QStringLiteral("mailto:a@b.c?body=hi")));
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

        // Tests point the root elsewhere on Windows too, so that none ever writes into a real C:/Brivo.
        const auto rootFor = [](const char *override, bool windows) {
            return brivo::toolRootFor(QString::fromLatin1(override), windows, QStringLiteral("/home/u"));
        };
        QCOMPARE(rootFor("", true), QStringLiteral("C:/Brivo"));
        QCOMPARE(rootFor("", false), QStringLiteral("/home/u/Brivo"));
        QCOMPARE(rootFor("C:\\Users\\u\\AppData\\Local\\Temp\\t-1\\", true),
                 QStringLiteral("C:/Users/u/AppData/Local/Temp/t-1"));
        QCOMPARE(rootFor("D:\\", true), QStringLiteral("D:/"));
        QCOMPARE(rootFor("/tmp/root//", false), QStringLiteral("/tmp/root"));
        QCOMPARE(rootFor("/", false), QStringLiteral("/"));
        QCOMPARE(rootFor("/tmp/a\\b", false), QStringLiteral("/tmp/a\\b")); // a name here, not a separator
    }

    // The toolchain folders are looked for in the current directory first, then in the tool root.
    void toolFoldersFromAnyFolder()
    {
        TemporaryToolRoot root;
        QTemporaryDir elsewhere;
        CurrentDirectory here(elsewhere.path());
        QVERIFY(!brivo::toolFolderExists(QStringLiteral("IDE")));
        root.makeFolder(QStringLiteral("Ide/Perl"));
        QVERIFY(brivo::toolFolderExists(QStringLiteral("IDE")) && brivo::toolFolderExists("IDE/PERL"));
        QVERIFY(!brivo::toolFolderExists(QStringLiteral("IDE/ruby")));
        QVERIFY(QDir(elsewhere.path()).mkpath(QStringLiteral("IDE/Ruby")));
        QVERIFY(brivo::toolFolderExists(QStringLiteral("IDE/ruby")) && !brivo::toolFolderExists(QString()));
    }

    // Completed as the command processor does, Windows' order beside ours; scripts run whatever their path
    // and permissions.
    void programsAreCompletedAndRun()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("it's a bin/run me")),
                      bat = base + QStringLiteral(".bat");
        const auto completed = [&dir](const char *path, brivo::CommandShell shell) {
            return brivo::completeProgramPath(dir.filePath(path), shell);
        };
        const auto posix = brivo::CommandShell::Posix, cmd = brivo::CommandShell::Cmd;
        QCOMPARE(completed("it's a bin/run me", posix), base); // no candidate: the path comes back as asked
        QVERIFY(writeFile(base + QStringLiteral(".com"), "") && writeFile(base + QStringLiteral(".exe"), ""));
        QCOMPARE(completed("it's a bin/run me", cmd), base + QStringLiteral(".exe"));
        QCOMPARE(completed("it's a bin/run me", posix), base); // neither is a command here
        QVERIFY(writeFile(base + QStringLiteral(".cmd"), "exit 1"));
        QCOMPARE(completed("it's a bin/run me", posix), base + QStringLiteral(".cmd"));
        QCOMPARE(completed("it's a bin/run me", cmd), base + QStringLiteral(".cmd"));
        QVERIFY(writeFile(bat, "exit 7\n"));
        QCOMPARE(completed("IT'S A BIN/RUN ME", posix), bat);
        QCOMPARE(completed("it's a bin/run me", cmd), bat);
        QVERIFY(writeFile(base + QStringLiteral(".SH"), "exit 2") && writeFile(base, "exit 3"));
        QCOMPARE(completed("IT'S A BIN/RUN ME", posix), base);
        QCOMPARE(completed("it's a bin/run me", cmd), bat); // a file without an extension never runs there
        QCOMPARE(completed("it's a bin/run me.bat", posix),
                 bat); // a name with its extension is taken as it is
        QCOMPARE(completed("it's a bin/run me.exe", cmd), base + QStringLiteral(".exe"));
        QFile::remove(base);
        QCOMPARE(completed("it's a bin/run me", posix), base + QStringLiteral(".SH"));

        QFile::remove(base + QStringLiteral(".SH"));
        QFile::remove(base + QStringLiteral(".cmd"));
        QCOMPARE(runToEnd(brivo::commandLineForProgram(dir.filePath(QStringLiteral("IT'S A BIN/RUN ME")))),
                 7);
        QVERIFY(QFile::setPermissions(bat, QFile::permissions(bat) | QFileDevice::ExeOwner));
        QCOMPARE(runToEnd(brivo::commandLineForProgram(base)), 7); // executable now
    }

    // What cmd is given: %ComSpec%, no AutoRun, and the line between one pair of quotes that /s strips
    // again, so quotes inside the line reach cmd as they stand.
    void commandLineForCmd_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("comSpec");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("native");
        const QString gcbat =
            brivo::quoteProgram(QStringLiteral("C:/Brivo/ide/CCPP/bin/gcbat.bat"), brivo::CommandShell::Cmd);
        QCOMPARE(gcbat, QStringLiteral("\"C:\\Brivo\\ide\\CCPP\\bin\\gcbat.bat\""));
        QTest::newRow("quoted program") << gcbat << "C:\\Windows\\system32\\cmd.exe"
                                        << "C:\\Windows\\system32\\cmd.exe"
                                        << "/d /s /c \"\"C:\\Brivo\\ide\\CCPP\\bin\\gcbat.bat\"\"";
        QTest::newRow("no ComSpec") << "\"C:\\Program Files\\x\\a b.bat\" & echo \"done\""
                                    << ""
                                    << "cmd.exe"
                                    << "/d /s /c \"\"C:\\Program Files\\x\\a b.bat\" & echo \"done\"\"";
        QTest::newRow("ComSpec with a blank") << "ver"
                                              << "D:\\My Tools\\cmd.exe"
                                              << "D:\\My Tools\\cmd.exe"
                                              << "/d /s /c \"ver\"";
    }
    void commandLineForCmd()
    {
        QFETCH(QString, line);
        QFETCH(QString, comSpec);
        QFETCH(QString, program);
        QFETCH(QString, native);
        const brivo::ProcessorInvocation invocation =
            brivo::processorInvocation(line, brivo::CommandShell::Cmd, comSpec);
        QCOMPARE(invocation.program, program);
        QCOMPARE(invocation.nativeArguments, native);
        QVERIFY(invocation.arguments.isEmpty()); // Qt would quote them again
        const brivo::ProcessorInvocation sh = brivo::processorInvocation(line, brivo::CommandShell::Posix);
        QVERIFY(sh.program == "/bin/sh" && sh.arguments == QStringList({"-c", line}) &&
                sh.nativeArguments.isEmpty());
    }

    void commandProcessRunsInItsFolderWithBothStreamsAndInput()
    {
        QTemporaryDir dir;
        brivo::CommandProcess process;
        QByteArray out, err;
        connect(&process, &brivo::CommandProcess::outputReceived, [&out](const QByteArray &d) { out += d; });
        connect(&process, &brivo::CommandProcess::errorReceived, [&err](const QByteArray &d) { err += d; });
        QSignalSpy finished(&process, &brivo::CommandProcess::finished);
        QVERIFY(process.start(QStringLiteral("read name; pwd; echo \"hi $name\" >&2; sleep 0.3; exit 3"),
                              dir.path()));
        // start() returns at once: the command is still waiting for its input.
        QVERIFY(process.isRunning() && finished.isEmpty());
        QVERIFY(!process.start(QStringLiteral("exit 0"))); // one run at a time
        process.writeInput("you\n");
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first(), QVariantList({3, false}));
        QVERIFY(process.exitCode() == 3 && !process.crashed() && !process.isRunning());
        QCOMPARE(QDir(QString::fromLocal8Bit(out.trimmed())).canonicalPath(),
                 QDir(dir.path()).canonicalPath());
        QCOMPARE(err, QByteArray("hi you\n"));
    }

    // Stop and destruction end the command's whole process group: here a grandchild started in the
    // background, and one that ignores the polite request.
    void stopAndDestructionEndTheWholeGroup()
    {
        QTemporaryDir dir;
        const QString pids = dir.filePath(QStringLiteral("pids"));
        const QString line = QStringLiteral("(trap '' TERM; sleep 60) & echo $! >'%1'; sleep 60").arg(pids);
        for (const bool stop : {true, false}) {
            QFile::remove(pids);
            auto process = std::make_unique<brivo::CommandProcess>();
            QSignalSpy finished(process.get(), &brivo::CommandProcess::finished);
            QVERIFY(process->start(line));
            QFile file(pids);
            QTRY_VERIFY_WITH_TIMEOUT(file.size() > 0, 5000);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const qint64 grandchild = file.readAll().trimmed().toLongLong();
            stop ? process->stop() : process.reset();
            QVERIFY(!stop || (finished.wait(5000) && !process->isRunning()));
            QVERIFY2(waitForProcessEnd(grandchild, 5000), stop ? "outlived Stop" : "outlived its owner");
        }
    }

private:
    // Runs `commandLine` and waits for its end in the test's own event loop; the exit code, -1 on failure.
    static int runToEnd(const QString &commandLine)
    {
        brivo::CommandProcess process;
        QSignalSpy finished(&process, &brivo::CommandProcess::finished);
        if (!process.start(commandLine) || !finished.wait(10000))
            return -1;
        return process.crashed() ? -1 : process.exitCode();
    }
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
