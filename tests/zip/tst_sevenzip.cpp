// The plain parts of the archive tool: 7z argument lists, reading 7z's output, and the check of what an
// archive would write.
#include "tests/support/testhelpers.h"
#include "tests/zip/craftedtar.h"
#include "zip/archivelisting.h"
#include "zip/archiveroutputreader.h"
#include "zip/sevenzipcommand.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brivo::zip;

Q_DECLARE_METATYPE(QList<ArchiveEntry>)

namespace {

QByteArray erased(const QByteArray &text)
{
    const QByteArray back(text.size(), '\b');
    return text + back + QByteArray(text.size(), ' ') + back;
}

// A packing run as 7z writes it to a pipe: the scan counter and each progress report are written, then
// rubbed out with backspaces, blanks and backspaces, counted in bytes. The scan counter is no report.
const QByteArray packingRun = "\n7-Zip [64] 26.02\n\nScanning the drive:\n" + erased("  0M Scan ") +
                              "2 files, 200 bytes\n\n" + erased("  0%") + erased("  0% + big one.bin") +
                              erased(" 57% + big one.bin") +
                              erased("100% 2 + s\xc3\xa9"
                                     "c.bin") +
                              "\nEverything is Ok\n";
const QStringList packingLines = {"", "7-Zip [64] 26.02", "", "Scanning the drive:", "2 files, 200 bytes", "",
                                  "", "Everything is Ok"};

ArchiveEntry entry(const QString &path, bool link = false, const QString &hardLink = {})
{
    return ArchiveEntry{path, false, link, {}, hardLink};
}

} // namespace

class tst_sevenzip : public QObject
{
    Q_OBJECT
private slots:
    void argumentLists()
    {
        const QStringList tail = {"-spd", "-bsp1", "--"};
        QCOMPARE(packArguments("/out.7z", "", {"/a.txt", "/b.txt"}),
                 QStringList({"a", "/out.7z", "-y"}) + tail + QStringList({"/a.txt", "/b.txt"}));
        // Blanks stay inside their argument; names like switches, list files or wildcards follow "--".
        QCOMPARE(packArguments("/my files/o.7z", "two words", {"a b.txt", "-r", "@list", "*.txt"}),
                 QStringList({"a", "/my files/o.7z", "-y", "-ptwo words"}) + tail +
                     QStringList({"a b.txt", "-r", "@list", "*.txt"}));
        QCOMPARE(packArguments("-sfx.7z", "", {"x"}),
                 QStringList({"a", "./-sfx.7z", "-y"}) + tail + QStringList{"x"});

        QCOMPARE(extractArguments("/d/a.7z", "", "/d"),
                 QStringList({"x", "-y", "-p", "-o/d"}) + tail + QStringList{"/d/a.7z"});
        QCOMPARE(extractArguments("-a b.7z", "pass word", "C:"),
                 QStringList({"x", "-y", "-ppass word", "-oC:"}) + tail + QStringList{"-a b.7z"});
        QCOMPARE(listArguments("/a.7z", ""), QStringList({"l", "-slt", "-p", "-spd", "--", "/a.7z"}));
    }

    void outputFolder()
    {
        QCOMPARE(folderArgument("C:/"), "C:");
        QCOMPARE(folderArgument("d:/"), "d:");
        QCOMPARE(folderArgument("C:/work"), "C:/work");
        QCOMPARE(folderArgument("/ab"), "/ab"); // three characters, but no drive
        QTemporaryDir dir;
        QCOMPARE(extractionFolder(dir.filePath("sub dir/a.7z")), dir.filePath("sub dir"));
        QCOMPARE(extractionFolder(dir.filePath("sub/../b.zip")), dir.path());
    }

    // However the pipe cuts the output, the same lines and progress reports come out.
    void readingOutputInPieces()
    {
        for (const int size : {1, 3, 100000}) {
            ArchiverOutputReader reader;
            QStringList lines;
            QList<ArchiverProgress> reports;
            for (qsizetype at = 0; at < packingRun.size(); at += size) {
                const ArchiverOutputReader::Result result = reader.feed(packingRun.mid(at, size));
                lines += result.lines;
                if (result.progress)
                    reports.append(*result.progress);
            }
            QCOMPARE(lines, packingLines);
            QCOMPARE(reader.finish(), QString());
            QCOMPARE(reports.last(),
                     (ArchiverProgress{100, 2, QLatin1Char('+'), QString::fromUtf8("séc.bin")}));
            if (size == 1)
                QCOMPARE(reports.size(), 4);
        }
        ArchiverOutputReader reader;
        QCOMPARE(reader.feed(QByteArray(5, '\b') + "ERROR: x\r\nhalf-way\rHALF").lines,
                 QStringList{"ERROR: x"});
        QCOMPARE(reader.finish(), "HALF-way");
    }

    void readsTheRealListing()
    {
        if (QStandardPaths::findExecutable("7z").isEmpty())
            QSKIP("7z is not installed");
        QTemporaryDir dir;
        QVERIFY(brivo::test::writeFile(dir.filePath("t.tar"),
                                       brivo::test::tarArchive({{"docs", {}, '5', {}},
                                                                {"docs/a b.txt", "hi", '0', {}},
                                                                {"docs/up", {}, '2', "../../etc"},
                                                                {"same", {}, '1', "docs/a b.txt"},
                                                                {"Path = x", "x", '0', {}}})));
        QProcess sevenZip;
        sevenZip.start("7z", listArguments(dir.filePath("t.tar"), ""));
        QVERIFY(sevenZip.waitForFinished(30000));
        ArchiverOutputReader reader;
        const QList<ArchiveEntry> entries = parseListing(reader.feed(sevenZip.readAllStandardOutput()).lines);
        QCOMPARE(entries.size(), 5); // the archive's own properties are no entry
        QVERIFY(entries[0].isFolder && entries[0].path == "docs");
        QVERIFY(!entries[1].isFolder && !entries[1].isSymLink && entries[1].path == "docs/a b.txt");
        QVERIFY(entries[2].isSymLink && entries[2].linkTarget == "../../etc");
        QCOMPARE(entries[3].hardLinkTarget, "docs/a b.txt");
        QCOMPARE(entries[4].path, "Path = x");
        // A line without " = " continues the value above, so a name with a line break is read whole.
        QCOMPARE(parseListing({"----------", "Path = ok", "../../x", ""}).constFirst().path, "ok\n../../x");
    }

    void whatWouldLeaveTheFolder_data()
    {
        QTest::addColumn<QList<ArchiveEntry>>("entries");
        QTest::addColumn<int>("problems");
        QTest::newRow("ordinary") << QList<ArchiveEntry>{entry("."), entry("a/b.txt"), entry("./c"),
                                                         entry("a..b")}
                                  << 0;
        QTest::newRow("climbing") << QList<ArchiveEntry>{entry("../x"), entry("s/../../x"),
                                                         entry("a\\..\\..\\x")}
                                  << 3;
        QTest::newRow("absolute") << QList<ArchiveEntry>{entry("/etc/x"), entry("C:/x.dll")} << 2;
        QTest::newRow("links that only point out") << QList<ArchiveEntry>{entry("lib.so", true)} << 0;
        QTest::newRow("below a link of the archive")
            << QList<ArchiveEntry>{entry("d/x"), entry("d", true)} << 1;
        QTest::newRow("hard links") << QList<ArchiveEntry>{entry("h", false, "../p"), entry("i", false, "a")}
                                    << 1;
    }
    void whatWouldLeaveTheFolder()
    {
        QFETCH(QList<ArchiveEntry>, entries);
        QTemporaryDir dir;
        QTEST(int(extractionProblems(entries, dir.path()).size()), "problems");
    }

    // 7z writes through a folder link that already stands in the folder, so such a folder is refused.
    void foldersOnDiskThatLeadElsewhere()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath("root");
        QVERIFY(QDir().mkpath(root + "/real/deeper"));
        QVERIFY(QFile::link("..", root + "/away"));
        QVERIFY(QFile::link("real", root + "/near"));
        QVERIFY(QFile::link("../missing", root + "/dangling"));
        QCOMPARE(extractionProblems({entry("real/deeper/x"), entry("near/x"), entry("new/x"), entry("away")},
                                    root),
                 QStringList());
        QCOMPARE(extractionProblems({entry("away/x"), entry("dangling/x")}, root).size(), 2);
        QCOMPARE(extractionProblems({entry("deeper/x")}, root + "/near"), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_sevenzip)
#include "tst_sevenzip.moc"
