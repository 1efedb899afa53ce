// What an archive would write, read from 7z's listing, and the check that keeps extraction in its folder.
#include "tests/support/testhelpers.h"
#include "tests/zip/craftedtar.h"
#include "zip/archivelisting.h"
#include "zip/archiveroutputreader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using brivo::zip::ArchiveEntry;
using brivo::zip::extractionProblems;
using brivo::zip::parseListing;

Q_DECLARE_METATYPE(QList<ArchiveEntry>)

namespace {

ArchiveEntry file(const QString &path)
{
    return ArchiveEntry{path, false, false, {}, {}};
}
ArchiveEntry folder(const QString &path)
{
    return ArchiveEntry{path, true, false, {}, {}};
}
ArchiveEntry link(const QString &path, const QString &target = {})
{
    return ArchiveEntry{path, false, true, target, {}};
}
ArchiveEntry hardLink(const QString &path, const QString &target)
{
    return ArchiveEntry{path, false, false, {}, target};
}

} // namespace

class tst_archivelisting : public QObject
{
    Q_OBJECT
private slots:
    void readsTheListingOfTheRealArchiver()
    {
        if (QStandardPaths::findExecutable("7z").isEmpty())
            QSKIP("7z is not installed");
        QTemporaryDir dir;
        const QString archive = dir.filePath("mixed.tar");
        QVERIFY(brivo::test::writeFile(
            archive, brivo::test::tarArchive({{"docs", {}, '5', {}},
                                              {"docs/a b.txt", "hello", '0', {}},
                                              {"docs/up", {}, '2', "../../etc"},
                                              {"docs/same", {}, '1', "docs/a b.txt"},
                                              {"Path = fake", "x", '0', {}}})));
        QProcess sevenZip;
        sevenZip.start("7z", {"l", "-slt", "-p", "--", archive});
        QVERIFY(sevenZip.waitForFinished(30000));
        QCOMPARE(sevenZip.exitCode(), 0);
        brivo::zip::ArchiverOutputReader reader;
        const QStringList lines = reader.feed(sevenZip.readAllStandardOutput()).lines;

        const QList<ArchiveEntry> entries = parseListing(lines);
        QCOMPARE(entries.size(), 5); // the archive's own "Path = mixed.tar" is not an entry
        QCOMPARE(entries.at(0).path, "docs");
        QVERIFY(entries.at(0).isFolder);
        QCOMPARE(entries.at(1).path, "docs/a b.txt");
        QVERIFY(!entries.at(1).isFolder && !entries.at(1).isSymLink);
        QCOMPARE(entries.at(2).path, "docs/up");
        QVERIFY(entries.at(2).isSymLink);
        QCOMPARE(entries.at(2).linkTarget, "../../etc");
        QCOMPARE(entries.at(3).hardLinkTarget, "docs/a b.txt");
        QCOMPARE(entries.at(4).path, "Path = fake");
    }

    void continuationLinesBelongToTheValueAbove()
    {
        const QStringList lines = {"Path = x.tar", "Type = tar", "", "----------", "Path = ok",
                                   "../../../evil", "Size = 1", "", "Path = next", "Mode = lrwxrwxrwx", ""};
        const QList<ArchiveEntry> entries = parseListing(lines);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).path, "ok\n../../../evil");
        QVERIFY(entries.at(1).isSymLink);
        QVERIFY(!extractionProblems(entries, QString()).isEmpty());
    }

    void entriesThatWouldLeaveTheFolder_data()
    {
        QTest::addColumn<QList<ArchiveEntry>>("entries");
        QTest::addColumn<int>("problems");

        QTest::newRow("plain files and folders")
            << QList<ArchiveEntry>{folder("."), folder("a"), file("a/b.txt"), file("./c"), file("a//d")} << 0;
        QTest::newRow("dots inside names are names") << QList<ArchiveEntry>{file("a..b"), file("...")} << 0;
        QTest::newRow("climbing out") << QList<ArchiveEntry>{file("../escaped.txt")} << 1;
        QTest::newRow("climbing out further down") << QList<ArchiveEntry>{file("sub/../../escaped.txt")} << 1;
        QTest::newRow("climbing within counts too") << QList<ArchiveEntry>{file("a/../b")} << 1;
        QTest::newRow("backslashes") << QList<ArchiveEntry>{file("a\\..\\..\\x")} << 1;
        QTest::newRow("absolute") << QList<ArchiveEntry>{file("/etc/cron.d/x")} << 1;
        QTest::newRow("drive letter") << QList<ArchiveEntry>{file("C:/Windows/x.dll"), file("d:x")} << 2;
        QTest::newRow("a link pointing out, with nothing below it")
            << QList<ArchiveEntry>{link("lib.so", "../lib/lib.so.1"), link("etc", "/etc")} << 0;
        QTest::newRow("a file below a link of the same archive")
            << QList<ArchiveEntry>{link("out", "/tmp"), file("out/x")} << 1;
        QTest::newRow("below a link whose target is not listed (zip, 7z)")
            << QList<ArchiveEntry>{file("d/x"), link("d")} << 1;
        QTest::newRow("a link below a link") << QList<ArchiveEntry>{link("a", "."), link("a/b", "..")} << 1;
        QTest::newRow("hard link out") << QList<ArchiveEntry>{hardLink("h", "../../etc/passwd")} << 1;
        QTest::newRow("hard link inside") << QList<ArchiveEntry>{file("a"), hardLink("h", "a")} << 0;
    }
    void entriesThatWouldLeaveTheFolder()
    {
        QFETCH(QList<ArchiveEntry>, entries);
        QFETCH(int, problems);
        QTemporaryDir dir;
        const QStringList found = extractionProblems(entries, dir.path());
        QCOMPARE(found.size(), problems);
    }

    // 7z writes through a link that already stands in the folder; such a folder is refused.
    void foldersOnDiskThatLeadElsewhere()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath("root");
        QVERIFY(QDir().mkpath(root + "/real/deeper"));
        QVERIFY(QDir().mkpath(dir.filePath("outside")));
        QVERIFY(QFile::link("../outside", root + "/away"));
        QVERIFY(QFile::link("real", root + "/near"));
        QVERIFY(QFile::link("../missing", root + "/dangling"));

        QCOMPARE(extractionProblems({file("real/deeper/x"), file("near/x"), file("new/x"), file("away")}, root),
                 QStringList());
        QCOMPARE(extractionProblems({file("away/x")}, root).size(), 1);
        QCOMPARE(extractionProblems({folder("away")}, root).size(), 1);
        QCOMPARE(extractionProblems({file("dangling/x")}, root).size(), 1);
        // The folder named by way of a link of its own is still the same folder.
        QCOMPARE(extractionProblems({file("deeper/x")}, root + "/near"), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_archivelisting)
#include "tst_archivelisting.moc"
