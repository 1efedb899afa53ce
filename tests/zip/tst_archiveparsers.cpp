// The archive tool's plain functions: 7z argument lists and formats, where 7z is found, its output read
// from recordings of real runs (one folder per 7z version under tests/data/7z), and the on-disk check and
// move of an extraction.
#include "tests/support/testhelpers.h"
#include "zip/archivelisting.h"
#include "zip/archiveroutputreader.h"
#include "zip/archiververdict.h"
#include "zip/extractionguard.h"
#include "zip/sevenzipcommand.h"
#include "zip/sevenziplocator.h"

#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace brivo::zip;
using brivo::test::readFile;
using brivo::test::writeFile;

namespace {

// Every recorded version that holds `scenario`, as (version, path without suffix).
QList<std::pair<QString, QString>> recordings(const QString &scenario)
{
    QList<std::pair<QString, QString>> found;
    const QDir data(QStringLiteral(BRIVO_7Z_DATA));
    for (const QString &version : data.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString base = data.filePath(version + "/" + scenario);
        if (QFile::exists(base + ".out"))
            found.append({version, base});
    }
    return found;
}

struct Recording
{
    QStringList
        lines; // standard output and the non-progress part of standard error, as the window reads them
    int exitCode = -1;
    QList<ArchiverProgress> progress;
};

Recording replay(const QString &base)
{
    Recording recording;
    LineReader output;
    recording.lines = output.feed(readFile(base + ".out"));
    ArchiverOutputReader errors;
    // Standard error as a pipe delivers it, in pieces.
    const QByteArray err = readFile(base + ".err");
    for (qsizetype at = 0; at < err.size(); at += 7) {
        const ArchiverOutputReader::Result result = errors.feed(err.mid(at, 7));
        recording.lines += result.lines;
        if (result.progress)
            recording.progress.append(*result.progress);
    }
    recording.exitCode = readFile(base + ".code").trimmed().toInt();
    return recording;
}

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool makeSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), name.size());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

// The entries as shown, each followed by the first `words` words of its reason.
QStringList entriesOf(const QList<ExtractionProblem> &problems, int words = 0)
{
    QStringList entries;
    for (const ExtractionProblem &problem : problems)
        entries << escapedForDisplay(problem.entry) +
                       (words ? ' ' + problem.reason.section(' ', 0, words - 1) : QString());
    entries.sort();
    return entries;
}

} // namespace

class tst_archiveparsers : public QObject
{
    Q_OBJECT
private slots:
    void argumentLists()
    {
        const QStringList tail = {"-spd", "-bsp2", "-bse1", "-sccUTF-8", "--"};
        // Blanks stay inside their argument; names like switches, list files or wildcards follow "--".
        QCOMPARE(packArguments("/my files/o.7z", "7z", {"a b.txt", "-r", "@list", "*.txt"}, true, ".tmp1"),
                 QStringList({"a", "/my files/o.7z", "-t7z", "-y", "-p", "-xr!.tmp1"}) + tail +
                     QStringList({"a b.txt", "-r", "@list", "*.txt"}));
        QCOMPARE(packArguments("-sfx.7z", "zip", {"x"}, false),
                 QStringList({"a", "./-sfx.7z", "-tzip", "-y"}) + tail + QStringList{"x"});
        QCOMPARE(extractArguments("-a b.7z", "C:", {"one", "-two"}),
                 QStringList({"x", "-y", "-oC:"}) + tail + QStringList({"-a b.7z", "one", "-two"}));
        QCOMPARE(testArguments("/a.7z"), QStringList{"t"} + tail + QStringList{"/a.7z"});
        QCOMPARE(listArguments("/a.7z"), QStringList({"l", "-slt"}) + tail + QStringList{"/a.7z"});
        // The password goes to standard input only, as one line.
        QCOMPARE(passwordInput(QString::fromUtf8("pä ss")), QByteArray("p\xc3\xa4 ss\n"));
        QCOMPARE(passwordInput(""), QByteArray());

        // A drive's root loses its slash; "/ab" has three characters, but no drive.
        for (const char *folder : {"C:/", "d:/", "C:/work", "/ab"})
            QCOMPARE(folderArgument(folder), QString(folder).chopped(QString(folder).endsWith(":/")));
        QTemporaryDir dir;
        QCOMPARE(extractionFolder(dir.filePath("sub dir/a.7z")), dir.filePath("sub dir"));
        QCOMPARE(extractionFolder(dir.filePath("sub/../b.zip")), dir.path());
    }

    void formatFromTheName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("tarName");
        QTest::addColumn<bool>("password");
        // Name typed, archive written, 7z's type, the tar inside a compressed tar, password possible.
        const QList<std::tuple<const char *, const char *, const char *, const char *, const char *, bool>>
            rows = {
                {"7z", "/d/a.7z", "/d/a.7z", "7z", "", true},
                {"zip, any case", "/d/A.ZIP", "/d/A.ZIP", "zip", "", true},
                {"tar", "/d/a.tar", "/d/a.tar", "tar", "", false},
                {"tar.gz", "/d/a.b.tar.gz", "/d/a.b.tar.gz", "gzip", "a.b.tar", false},
                {"tgz", "/d/a.tgz", "/d/a.tgz", "gzip", "a.tar", false},
                {"tar.xz", "/d/a.tar.xz", "/d/a.tar.xz", "xz", "a.tar", false},
                {"no suffix", "/d/backup", "/d/backup.7z", "7z", "", true},
                {"unknown suffix", "/d/a.rar", "/d/a.rar.7z", "7z", "", true},
                {"gz alone", "/d/a.gz", "/d/a.gz.7z", "7z", "", true},
                {"only a suffix", "/d/.zip", "/d/.zip.7z", "7z", "", true},
                {"suffix in a folder", "/d.zip/a", "/d.zip/a.7z", "7z", "", true},
            };
        for (const auto &[name, typed, archive, type, tarName, password] : rows)
            QTest::newRow(name) << QString(typed) << QString(archive) << QString(type) << QString(tarName)
                                << password;
    }
    void formatFromTheName()
    {
        QFETCH(QString, typed);
        const PackFormat format = packFormat(typed);
        QTEST(format.archive, "archive");
        QTEST(format.type, "type");
        QTEST(format.tarName, "tarName");
        QTEST(format.canHoldPassword, "password");
    }

    void whereSevenZipIs_data()
    {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QString>("registry");
        QTest::addColumn<QString>("programFiles");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("expected");
        // Windows or not, the registry's 7-Zip folder, Program Files, what is installed ('|' between), found.
        const QList<std::tuple<const char *, bool, const char *, const char *, const char *, const char *>>
            rows = {
                {"registry first", true, "D:\\Apps\\7-Zip\\", "C:\\Program Files",
                 "D:/Apps/7-Zip/7z.exe|C:/Program Files/7-Zip/7z.exe", "D:/Apps/7-Zip/7z.exe"},
                {"registry stale", true, "D:\\Gone", "C:\\Program Files", "C:/Program Files/7-Zip/7z.exe",
                 "C:/Program Files/7-Zip/7z.exe"},
                {"32-bit Program Files", true, "", "C:\\Program Files", "C:/Program Files (x86)/7-Zip/7z.exe",
                 "C:/Program Files (x86)/7-Zip/7z.exe"},
                {"only on the path", true, "", "", "C:/Tools/7z.exe", "C:/Tools/7z.exe"},
                {"nowhere", true, "", "C:\\Program Files", "", "7z"},
                {"Linux ignores Windows places", false, "D:\\Apps\\7-Zip", "C:\\Program Files",
                 "D:/Apps/7-Zip/7z.exe|/usr/bin/7zz", "/usr/bin/7zz"},
                {"Linux 7z first", false, "", "", "/usr/bin/7z|/usr/bin/7zz", "/usr/bin/7z"},
            };
        for (const auto &[name, windows, registry, programFiles, installed, expected] : rows)
            QTest::newRow(name) << windows << QString(registry) << QString(programFiles)
                                << QString(installed).split('|', Qt::SkipEmptyParts) << QString(expected);
    }
    void whereSevenZipIs()
    {
        QFETCH(QStringList, installed);
        SevenZipPlaces places;
        QFETCH(bool, windows);
        places.windows = windows;
        QFETCH(QString, registry);
        places.registryPath = registry;
        QFETCH(QString, programFiles);
        places.programFiles = programFiles;
        places.programFilesX86 = programFiles.isEmpty() ? QString() : programFiles + " (x86)";
        places.isExecutable = [&](const QString &path) { return installed.contains(path); };
        places.findOnSearchPath = [&](const QString &name) {
            for (const QString &path : installed)
                if (QFileInfo(path).fileName() == name + (windows ? ".exe" : ""))
                    return path;
            return QString();
        };
        QTEST(locateSevenZip(places), "expected");
    }

    // Names are read as 7z wrote them: a carriage return or backspace in a message is part of a name and
    // is shown escaped, never obeyed.
    void namesShownEscaped()
    {
        LineReader reader;
        QCOMPARE(reader.feed("ERROR: a\rb\bc.7z\nhalf"), QStringList{"ERROR: a\rb\bc.7z"});
        QCOMPARE(reader.finish(), "half");
        QCOMPARE(escapedForDisplay("ERROR: a\rb\bc\x1b[2J.7z"), "ERROR: a\\rb\\bc\\x1b[2J.7z");
        QCOMPARE(escapedForDisplay(QString::fromUtf8("tab\there \u202Etxt.exe caf\u00e9")),
                 QString::fromUtf8("tab\\there \\u{202e}txt.exe caf\u00e9"));
        QCOMPARE(escapedForDisplay(QString::fromUtf8("C1\u0085 nl\n")), "C1\\x85 nl\\n");
        // Names are bytes: a BOM, surrogates, overlong forms and U+FFFD come back as they were.
        for (const QByteArray &bytes :
             {QByteArray("\xef\xbb\xbf\xc3\xa9\xed\xa0\x80\xf4\x90\x80\x80\xc0\xaf"),
              QByteArray("\xf0\x9f\x98\x80\xef\xbf\xbd\xe9")})
            QCOMPARE(rawBytes(rawName(bytes)), bytes);
    }

    // The progress stream as 7z draws it: each report written, then rubbed out with backspaces, blanks
    // and backspaces, counted in bytes. However the pipe cuts it, the same reports come out.
    void progressInPieces()
    {
        const auto erased = [](const QByteArray &text) {
            const QByteArray back(text.size(), '\b');
            return text + back + QByteArray(text.size(), ' ') + back;
        };
        const QByteArray run = erased("  0M Scan ") + erased("  0%") + erased(" 57% + big one.bin") +
                               erased("100% 2 + s\xc3\xa9\x63.bin") + "ERROR: late\n";
        for (const int size : {1, 3, 100000}) {
            ArchiverOutputReader reader;
            QStringList lines;
            QList<ArchiverProgress> reports;
            for (qsizetype at = 0; at < run.size(); at += size) {
                const ArchiverOutputReader::Result result = reader.feed(run.mid(at, size));
                lines += result.lines;
                if (result.progress)
                    reports.append(*result.progress);
            }
            QCOMPARE(lines, QStringList{"ERROR: late"});
            QCOMPARE(reports.last(),
                     (ArchiverProgress{100, 2, QLatin1Char('+'), QString::fromUtf8("séc.bin")}));
            QVERIFY(size != 1 || reports.size() == 3);
        }
    }

    // Recorded listings: names with blanks, accents and control characters, links of a tar, encrypted
    // entries, and listings that fail.
    void recordedListings_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QStringList>("names"); // "/" ends a folder, "@" a link, "*" an encrypted entry
        const QStringList names = {"sub dir/", QString::fromUtf8("café ünï.txt"), "ctl\bx\ry\x1bz.txt",
                                   "sub dir/inner.txt", "with space.txt"};
        const QList<std::pair<const char *, QStringList>> scenarios = {
            {"list-names", names},
            {"list-tar-links", {"links/", "links/symlink@", "links/hardlink", "links/target.txt"}},
            {"list-encrypted", {"names/with space.txt*"}},
            {"list-encrypted-zip", {"names/with space.txt*"}},
            {"list-hidden-password", {"names/with space.txt*"}},
            {"list-hidden-no-password", {}},
            {"list-hidden-wrong-password", {}},
            {"list-truncated", {}},
        };
        for (const auto &[scenario, expected] : scenarios)
            for (const auto &[version, base] : recordings(scenario))
                QTest::addRow("%s %s", qPrintable(version), scenario) << base << expected;
    }
    void recordedListings()
    {
        QFETCH(QString, base);
        QFETCH(QStringList, names);
        ListingParser parser;
        for (const QByteArray &line : readFile(base + ".out").split('\n'))
            parser.addLine(line);
        parser.finish();
        QStringList read;
        qint64 total = 0;
        for (const ArchiveEntry &entry : parser.takeEntries()) {
            read << entry.path + (entry.isFolder ? "/" : "") + (entry.isSymLink ? "@" : "") +
                        (entry.encrypted ? "*" : "");
            QVERIFY(entry.size >= 0);
            total += entry.size;
            QCOMPARE(entry.modified.size(), 19);
            if (entry.isSymLink)
                QCOMPARE(entry.linkTarget, "target.txt");
        }
        QCOMPARE(read, names);
        QCOMPARE(total > 0, !names.isEmpty());
    }

    // Recorded runs that fail, each said in words, and those that succeed; the progress of those that
    // report it (`file`, the last file named) rises to 100 and never leaks into the lines.
    void recordedVerdicts_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<bool>("passwordGiven");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("file");
        const QList<std::tuple<const char *, bool, Verdict, const char *>> scenarios = {
            {"test-ok", false, Verdict::Ok, ""},
            {"list-names", false, Verdict::Ok, ""},
            {"pack-progress", false, Verdict::Ok, "big file.bin"},
            {"test-wrong-password", true, Verdict::WrongPassword, ""},
            {"test-wrong-password-zip", true, Verdict::WrongPassword, "names/with space.txt"},
            {"list-hidden-wrong-password", true, Verdict::WrongPassword, ""},
            {"test-no-password", false, Verdict::NeedsPassword, ""},
            {"list-hidden-no-password", false, Verdict::NeedsPassword, ""},
            {"test-truncated", false, Verdict::Truncated, ""},
            {"test-truncated-zip", false, Verdict::Truncated, ""},
            {"list-truncated", false, Verdict::Truncated, ""},
            {"test-not-archive", false, Verdict::NotArchive, ""},
            {"test-missing", false, Verdict::Missing, ""},
            {"extract-none-selected", false, Verdict::NothingSelected, ""},
        };
        for (const auto &[scenario, given, verdict, file] : scenarios)
            for (const auto &[version, base] : recordings(scenario))
                QTest::addRow("%s %s", qPrintable(version), scenario)
                    << base << given << verdict << QString(file);
    }
    void recordedVerdicts()
    {
        QFETCH(QString, base);
        QFETCH(bool, passwordGiven);
        QFETCH(QString, file);
        const Recording recording = replay(base);
        QTEST(verdictOf(recording.lines, recording.exitCode, passwordGiven), "verdict");
        // 7z's question nobody answers is not shown; its errors are told apart from its talk.
        const bool asked = std::any_of(recording.lines.begin(), recording.lines.end(), isPasswordQuestion);
        QCOMPARE(asked, readFile(base + ".out").contains("Enter password"));
        QCOMPARE(std::any_of(recording.lines.begin(), recording.lines.end(), isProblemLine),
                 recording.exitCode != 0);
        for (const QString &line : recording.lines)
            QVERIFY2(!parseProgress(line), qPrintable(line));
        if (file.isEmpty())
            return;
        QVERIFY(!recording.progress.isEmpty());
        int last = 0;
        for (const ArchiverProgress &report : recording.progress) {
            QVERIFY(report.percent >= last && report.percent <= 100);
            last = report.percent;
        }
        QCOMPARE(recording.progress.last().file, file);
    }

    // Where a link leads, followed through the other links of the folder (given as a table here).
    void whereLinksLead_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("inside");
        const QList<std::tuple<const char *, const char *, const char *, bool>> rows = {
            {"sibling", "a/l", "b", true},
            {"up to the top", "a/l", "../x", true},
            {"above the top", "a/l", "../../x", false},
            {"absolute", "l", "/etc/passwd", false},
            {"drive", "l", "C:/x", false},
            {"through a link that climbs", "l", "up/x", false},
            {"'..' after a link to the top", "a/l", "top/../x", false},
            {"'..' after a link going deeper", "l", "deep/../x", true},
            {"circle", "l", "loop1", false},
            {"dot parts", "l", "./a/./b", true},
        };
        for (const auto &[name, link, target, inside] : rows)
            QTest::newRow(name) << QString(link) << QString(target) << inside;
    }
    void whereLinksLead()
    {
        const QHash<QString, QString> links = {
            {"up", ".."}, {"a/top", ".."}, {"deep", "a/b"}, {"loop1", "loop2"}, {"loop2", "loop1"}};
        const auto readLink = [&](const QString &path) -> std::optional<QString> {
            if (links.contains(path))
                return links.value(path);
            return std::nullopt;
        };
        QFETCH(QString, link);
        QFETCH(QString, target);
        QTEST(linkStaysInside(link, target, readLink), "inside");
    }

    // What 7z wrote is checked on disk: links leading out (also through a link the destination holds, or
    // named in bytes that are not UTF-8), devices, fifos, sockets, hard links to files elsewhere, folders
    // that cannot be read. The private folder goes whatever its names.
    void inspectWhatWasWritten()
    {
        QTemporaryDir dir;
        const QString done = dir.filePath("dest/.private");
        const QString dest = dir.filePath("dest");
        QVERIFY(QDir().mkpath(done + "/sub") && writeFile(done + "/sub/file", "x") &&
                writeFile(dir.filePath("outside"), "o"));
        QVERIFY(QFile::link("file", done + "/sub/near") &&
                QFile::link("../sub/file", done + "/sub/up-and-in"));
        QVERIFY(QFile::link("../..", done + "/sub/out") && QFile::link("/etc/passwd", done + "/abs"));
        QVERIFY(QFile::link("there/secret", done + "/via-destination") && QFile::link("..", dest + "/there"));
        QVERIFY(makeFifo(done + "/fifo") && makeSocket(done + "/sock"));
        QVERIFY(::link(QFile::encodeName(dir.filePath("outside")), QFile::encodeName(done + "/hard")) == 0);
        QVERIFY(::link(QFile::encodeName(done + "/sub/file"), QFile::encodeName(done + "/same")) == 0);
        const QByteArray raw = QFile::encodeName(done) + "/d\xff";
        QVERIFY(::mkdir(raw.constData(), 0700) == 0 &&
                ::symlink("../../x", (raw + "/pw\xfe").constData()) == 0);
        // Only root makes devices: a character device (as /dev/null) and a block device (as a loop device).
        const bool root = ::geteuid() == 0;
        QVERIFY(!root || (::mknod(QFile::encodeName(done + "/chr"), S_IFCHR | 0600, makedev(1, 3)) == 0 &&
                          ::mknod(QFile::encodeName(done + "/blk"), S_IFBLK | 0600, makedev(7, 0)) == 0));
        QStringList expected = {"abs is a link",           "fifo is a fifo",    "hard is a hard",
                                "sock is a socket",        "sub/out is a link", "via-destination is a link",
                                "d\\xff/pw\\xfe is a link"};
        if (root)
            expected += {"blk is a device", "chr is a device"};
        expected.sort();
        const QList<ExtractionProblem> found = inspectExtracted(done, dest);
        QCOMPARE(entriesOf(found, 3), expected);
        QVERIFY(std::any_of(found.begin(), found.end(),
                            [](const ExtractionProblem &p) { return rawBytes(p.entry) == "d\xff/pw\xfe"; }));

        std::atomic_bool stop = true;
        QVERIFY(inspectExtracted(done, dest, &stop).isEmpty());
        QVERIFY(removeTree(rawName(QFile::encodeName(done))) && !QFileInfo::exists(done));
        if (root)
            return;
        QVERIFY(QDir().mkpath(dir.filePath("closed/locked")) && // root reads every folder
                ::chmod(QFile::encodeName(dir.filePath("closed/locked")), 0) == 0);
        QCOMPARE(entriesOf(inspectExtracted(dir.filePath("closed"), dest)), QStringList{"locked"});
        QVERIFY(removeTree(dir.filePath("closed")));
        QSKIP("devices are made by root alone: not checked");
    }

    // Moving into place merges folders and replaces files and links, never writing through a link that
    // stands in the destination; anything in the way is named before a single entry moves.
    void moveIntoTheDestination()
    {
        QTemporaryDir dir;
        const QString from = dir.filePath("dest/.private"), to = dir.filePath("dest");
        const QString outside = dir.filePath("outside");
        QVERIFY(QDir().mkpath(outside) && writeFile(outside + "/victim", "keep"));
        QVERIFY(writeFile(from + "/merge/new", "new") && writeFile(from + "/merge/old", "replaced"));
        QVERIFY(writeFile(from + "/was-link", "file now") && writeFile(from + "/fresh/deep/f", "f"));
        QVERIFY(writeFile(to + "/merge/old", "old") && writeFile(to + "/merge/kept", "kept"));
        QVERIFY(QFile::link(outside + "/victim", to + "/was-link"));

        QVERIFY(moveConflicts(from, to).isEmpty());
        QString error;
        QCOMPARE(moveIntoPlace(from, to, &error), 4);
        QCOMPARE(error, QString());
        QCOMPARE(readFile(to + "/merge/old"), "replaced");
        QCOMPARE(readFile(to + "/merge/kept"), "kept");
        QCOMPARE(readFile(to + "/fresh/deep/f"), "f");
        QVERIFY(!QFileInfo(to + "/was-link").isSymLink() && readFile(to + "/was-link") == "file now");
        QCOMPARE(readFile(outside + "/victim"), "keep");

        // A folder of the archive where the destination holds a link or a file, a file where it holds a
        // folder: nothing moves.
        QVERIFY(writeFile(from + "/away/escaped", "x") && QFile::link(outside, to + "/away"));
        QVERIFY(writeFile(from + "/plain/x", "x") && writeFile(to + "/plain", "a file"));
        QVERIFY(writeFile(from + "/later", "y"));
        QCOMPARE(entriesOf(moveConflicts(from, to)), QStringList({"away", "plain"}));
        QCOMPARE(moveIntoPlace(from, to, &error), 0);
        QVERIFY(error.contains("away") || error.contains("plain"));
        QVERIFY(!QFile::exists(outside + "/escaped") && !QFile::exists(to + "/later"));
    }
};

QTEST_MAIN(tst_archiveparsers)
#include "tst_archiveparsers.moc"
