// The archive tool: its plain functions (7z's output read from recordings of real runs under tests/data/7z),
// and its window driving the real 7z in temporary folders.
#include "app/toolopeners.h"
#include "common/tooltable.h"
#include "common/windowkeeper.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "zip/archivelisting.h"
#include "zip/archiveroutputreader.h"
#include "zip/archiververdict.h"
#include "zip/archivetree.h"
#include "zip/extractionguard.h"
#include "zip/openedentries.h"
#include "zip/sevenzipcommand.h"
#include "zip/sevenziplocator.h"
#include "zip/widget.h"

#include <QScrollBar>
#include <QtTest>
#include <QtWidgets>

#include <array>
#include <filesystem>
#include <fstream>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace brivo::zip;
using brivo::test::ModalAnswerer;
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

// An entry of a tar archive written by hand, so that tests can hold what no archiver writes.
struct TarEntry
{
    QByteArray name, data;
    char type = '0'; // '0' file, '2' symbolic link, '5' folder
    QByteArray link; // a link's target
};

QByteArray tarArchive(const QList<TarEntry> &entries)
{
    const auto octal = [](qint64 v, int n) { return QByteArray::number(v, 8).rightJustified(n, '0'); };
    QByteArray archive;
    for (const TarEntry &entry : entries) {
        QByteArray header(512, '\0');
        const auto put = [&header](int at, const QByteArray &v) { header.replace(at, v.size(), v); };
        const QByteArray data = entry.type == '0' ? entry.data : QByteArray();
        put(0, entry.name.left(100));
        put(100, entry.type == '5' ? "0000755" : "0000644");
        put(124, octal(data.size(), 11) + '\0' + octal(1700000000, 11));
        put(156, entry.type + entry.link.left(100));
        put(257, QByteArray("ustar") + '\0' + "00"); // the format and its version
        put(148, "        ");                        // the checksum counts its own field as blanks
        unsigned sum = 0;
        for (const char c : std::as_const(header))
            sum += static_cast<unsigned char>(c);
        put(148, octal(sum, 6) + QByteArray("\0 ", 2));
        archive += header + data + QByteArray((512 - data.size() % 512) % 512, '\0');
    }
    return archive + QByteArray(1024, '\0');
}

QByteArray someBytes(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QPushButton *button(QWidget &window, const QString &text)
{
    const QList<QPushButton *> all = window.findChildren<QPushButton *>();
    return *std::find_if(all.begin(), all.end(), [&](QPushButton *b) { return b->text() == text; });
}

bool waitIdle(Widget &window, int ms = 60000)
{
    return QTest::qWaitFor([&] { return !window.isBusy(); }, ms);
}

// Runs 7z directly (for making and checking archives); returns its standard output.
QByteArray sevenZip(const QStringList &arguments, const QByteArray &input = {}, int *exitCode = nullptr)
{
    QProcess process;
    process.start("7z", arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput();
}

// The entries' names of an archive, sorted.
QStringList namesIn(const QString &archive, const QString &password = {})
{
    QStringList names;
    const QByteArray listing = sevenZip({"l", "-slt", "-sccUTF-8", "-p" + password, archive});
    for (const QByteArray &line : listing.split('\n').mid(listing.split('\n').indexOf("----------")))
        if (line.startsWith("Path = "))
            names << QString::fromUtf8(line.mid(7));
    names.sort();
    return names;
}

// Folders Brivo makes for a run and must not leave behind.
QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({".brivo-*"}, QDir::AllEntries | QDir::Hidden);
}

// Every process's command line that holds `text`, and whether any 7z was seen at all.
bool commandLinesHold(const QByteArray &text, bool *seen7z)
{
    bool found = false;
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile file("/proc/" + pid + "/cmdline");
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = file.readAll();
        if (line.contains("7z") &&
            (line.contains(QByteArray("\0a\0", 3)) || line.contains(QByteArray("\0x\0", 3))))
            *seen7z = true;
        found = found || line.contains(text);
    }
    return found;
}

// A tree as one line: "name/" a folder, "~" one implied by the paths below it, its children in brackets,
// and after "=" the path 7z is asked for when it differs from the names above it.
QString outline(const ArchiveTree &tree, const QList<int> &nodes, const QString &above = {})
{
    QStringList parts;
    for (const int id : nodes) {
        const ArchiveNode &node = tree.nodes.at(id);
        const QString joined = above.isEmpty() ? node.name : above + '/' + node.name;
        QString part =
            escapedForDisplay(node.name) + (node.isFolder ? "/" : "") + (node.entry < 0 ? "~" : "");
        if (node.path != joined)
            part += "=" + escapedForDisplay(node.path);
        if (!node.children.isEmpty())
            part += "[" + outline(tree, node.children, joined) + "]";
        parts << part + QString(" %1").arg(node.size);
    }
    return parts.join(", ");
}

} // namespace

class tst_archivetool : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        const bool runs7z = QByteArray(QTest::currentTestFunction()).startsWith("sevenZip");
        if (runs7z && QStandardPaths::findExecutable("7z").isEmpty())
            QSKIP("7z is not installed");
    }
    void cleanup() { brivo::test::closeAllWindows(); }

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

    // The folders of recorded listings: folders listed and folders only implied by the paths below them,
    // names with control characters, tar's "./", and a line break inside a name (7z lists it as "_"; a
    // listing that breaks the line is read too). Sizes add up in the folders.
    void treeOfRecordedListings_data()
    {
        QTest::addColumn<QStringList>("listing");
        QTest::addColumn<QString>("expected");
        const QList<std::pair<const char *, const char *>> scenarios = {
            {"list-names", "sub dir/[inner.txt 5] 5, caf\u00e9 \u00fcn\u00ef.txt 4, ctl\\bx\\ry\\x1bz.txt 6, "
                           "with space.txt 4"},
            {"list-tar-links", "links/[hardlink 5, symlink 10, target.txt 0] 15"},
            {"list-implied-zip", "docs/~[deep/~[a.txt 2] 2, c.txt 2] 4, top.txt 2"},
            {"list-implied-tar", "docs/~=./docs[deep/~=./docs/deep[a.txt=./docs/deep/a.txt 2] 2, "
                                 "line_break.txt=./docs/line_break.txt 3] "
                                 "5, top.txt=./top.txt 2"},
        };
        for (const auto &[scenario, expected] : scenarios)
            for (const auto &[version, base] : recordings(scenario))
                QTest::addRow("%s %s", qPrintable(version), scenario)
                    << QString::fromUtf8(readFile(base + ".out")).split('\n') << QString(expected);
        const auto entry = [](const char *path, const char *folder, const char *size) {
            return QStringList{QString("Path = ") + path, QString("Folder = ") + folder,
                               QString("Size = ") + size, ""};
        };
        QTest::newRow("a line break, a folder listed after what it holds, a path listed twice")
            << QStringList{"----------", "Path = a", "b/c.txt", "Size = 3", ""} + entry("x/y", "-", "1") +
                   entry("x", "+", "0") + entry("x/y", "-", "7") + entry("//", "-", "0")
            << "a\\nb/~[c.txt 3] 3, x/[y 7] 7, // 0";
    }
    void treeOfRecordedListings()
    {
        QFETCH(QStringList, listing);
        const ArchiveTree tree = buildArchiveTree(parseListing(listing));
        QTEST(outline(tree, tree.top), "expected");
        for (qsizetype id = 0; id < tree.nodes.size(); ++id) {
            const ArchiveNode &node = tree.nodes.at(id);
            const QList<int> &siblings = node.parent < 0 ? tree.top : tree.nodes.at(node.parent).children;
            QCOMPARE(siblings.at(node.row), int(id));
        }
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

    void sevenZipPackAndExtract_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("no password") << QString();
        QTest::newRow("password with a blank and accents") << QString::fromUtf8("open sésame");
    }
    // Relative names, as a command line hands them over: only "--" keeps "-dash.txt" a name, and accents
    // survive both ways. The archive is extracted next to itself, after a broken one whose failure the
    // next success does not hide. A wrong password is said in words, and nothing is extracted then; no
    // 7z's command line (which any user can read) ever holds the password.
    void sevenZipPackAndExtract()
    {
        QFETCH(QString, password);
        QTemporaryDir dir;
        // Large enough for 7z to run long enough to be seen in /proc.
        const QMap<QString, QByteArray> contents = {{"a b.txt", "first"},
                                                    {"c  d.bin", someBytes(8 * 1024 * 1024, 1)},
                                                    {"-dash.txt", "switch?"},
                                                    {"@list.txt", "?"},
                                                    {QString::fromUtf8("café ünï.txt"), "accents"}};
        Widget window;
        window.show();
        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            QVERIFY(writeFile(dir.filePath(it.key()), it.value()));
            window.setf(it.key());
        }
        brivo::test::CurrentDirectory inFolder(dir.path());
        bool seen7z = false, leaked = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this,
                [&] { leaked = leaked || commandLinesHold(password.toUtf8(), &seen7z); });
        if (!password.isEmpty()) {
            window.passwordBox->click();
            watcher.start(5);
        }
        window.passwordEdit->setText(password);
        QVERIFY(QDir(dir.path()).mkdir("sub dir") && writeFile(dir.filePath("broken.7z"), "no archive"));
        const QString archive = dir.filePath("sub dir/my archive.7z");
        ModalAnswerer answers;
        answers.chooseFile(archive);
        window.zip();
        QVERIFY(waitIdle(window));
        QCOMPARE(answers.last().title, "Save");
        QVERIFY(answers.last().text.startsWith("7z files (*.7z);;Zip files (*.zip);;Rar files (*.rar);;"));
        QVERIFY2(window.output->toPlainText().endsWith("Exit Code : 0\nExit Status : 0\nPacked into \"" +
                                                       archive + "\"."),
                 qPrintable(window.output->toPlainText()));
        QCOMPARE(window.password, QString());
        QCOMPARE(namesIn(archive, password).size(), contents.size());

        window.dela();
        window.setf(dir.filePath("broken.7z"));
        window.setf(archive);
        if (!password.isEmpty()) {
            window.passwordEdit->setText("wrong");
            window.unzip();
            QVERIFY(waitIdle(window));
            const QString said = window.output->toPlainText();
            QVERIFY2(said.contains("Wrong password for \"" + archive + "\". Nothing was extracted."),
                     qPrintable(said));
            QVERIFY(!QFile::exists(dir.filePath("sub dir/a b.txt")));
            window.passwordEdit->setText(password);
        }
        window.unzip();
        QVERIFY(waitIdle(window));
        const QString said = window.output->toPlainText();
        QVERIFY2(said.contains("broken.7z\" is not an archive that 7z can read.") &&
                     said.endsWith("Extracted \"" + archive + "\" into \"" + dir.filePath("sub dir") + "\"."),
                 qPrintable(said));
        for (auto it = contents.cbegin(); it != contents.cend(); ++it)
            QCOMPARE(readFile(dir.filePath("sub dir/" + it.key())), it.value());
        QCOMPARE(window.password, QString());
        QCOMPARE(leftovers(dir.filePath("sub dir")), QStringList());
        QVERIFY(password.isEmpty() || (seen7z && !leaked));
    }

    // Each archive of a run gets its line in the verdict list, in words, whatever 7z or the disk made of it:
    // failures made here and now (a full disk and a read-only one are mounted, which root alone may do).
    void sevenZipVerdicts_data()
    {
        QTest::addColumn<QStringList>("archives");
        QTest::addColumn<QString>("destination"); // "" each archive's folder, else a mount's options
        QTest::addColumn<QStringList>("verdicts");
        QTest::newRow("sound, wrong password, cut short")
            << QStringList{"good.7z", "secret.7z", "cut.7z"} << ""
            << QStringList{"good.7z: OK", "secret.7z: wrong password",
                           "cut.7z: damaged: the archive ends too early"};
        QTest::newRow("disk full") << QStringList{"good.7z"} << "size=64k"
                                   << QStringList{"good.7z: no space left"};
        QTest::newRow("read-only disk")
            << QStringList{"good.7z"} << "ro" << QStringList{"good.7z: read-only destination"};
    }
    void sevenZipVerdicts()
    {
        QFETCH(QStringList, archives);
        QFETCH(QString, destination);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("noise.bin"), someBytes(300000, 3)));
        sevenZip({"a", dir.filePath("good.7z"), dir.filePath("noise.bin")});
        sevenZip({"a", "-p", dir.filePath("secret.7z"), dir.filePath("noise.bin")}, "right\n");
        QVERIFY(writeFile(dir.filePath("cut.7z"), readFile(dir.filePath("good.7z")).left(150000)));
        const QString mount = dir.filePath("mount");
        QVERIFY(QDir().mkpath(mount));
        if (!destination.isEmpty() &&
            QProcess::execute("mount", {"-t", "tmpfs", "-o", destination, "tmpfs", mount}) != 0)
            QSKIP("a tmpfs cannot be mounted here (it takes root): the disk's verdict is not checked");
        const auto unmount = qScopeGuard([&] {
            if (!destination.isEmpty())
                QProcess::execute("umount", {mount});
        });
        Widget window;
        window.show();
        for (const QString &archive : archives)
            window.setf(dir.filePath(archive));
        window.passwordBox->click();
        window.passwordEdit->setText("wrong");
        ModalAnswerer answers;
        answers.chooseFile(mount);
        button(window, destination.isEmpty() ? "Un Zip" : "Extract To...")->click();
        QVERIFY(waitIdle(window));
        auto *list = window.findChild<QListWidget *>("verdicts");
        QStringList said;
        for (int row = 0; row < list->count(); ++row)
            said << list->item(row)->text();
        QTEST(said, "verdicts");
        QVERIFY(list->isVisible());
        QCOMPARE(leftovers(dir.path()), QStringList());
    }

    void sevenZipAddsToArchives_data()
    {
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("empty"); // the bytes of an archive with no entries, or a made one
        QTest::newRow("7z") << "a.7z"
                            << "" << QByteArray();
        QTest::newRow("zip") << "a.zip"
                             << "" << QByteArray();
        QTest::newRow("tar") << "a.tar"
                             << "" << QByteArray();
        QTest::newRow("7z, names encrypted") << "a.7z"
                                             << "pw" << QByteArray();
        QTest::newRow("zip, encrypted") << "a.zip"
                                        << "pw" << QByteArray();
        QTest::newRow("zip, no entries") << "a.zip"
                                         << "" << QByteArray("PK\x05\x06").append(18, '\0');
        QTest::newRow("tar, no entries") << "a.tar"
                                         << "" << QByteArray(10240, '\0');
    }
    // Files dropped on an archive's contents, or chosen with "Add...", go into it after a question that
    // names it. A run that fails half-way (a file that is not there) leaves it byte for byte, and so
    // does a wrong password for an encrypted one, which is asked for first and tried before anything is
    // added. Dropped on a folder of the contents, they go into that folder; one whose name the folder
    // already holds is refused before anything runs.
    void sevenZipAddsToArchives()
    {
        QFETCH(QString, archive);
        QFETCH(QString, password);
        QFETCH(QByteArray, empty);
        QTemporaryDir dir;
        const QString path = dir.filePath(archive);
        QVERIFY(writeFile(dir.filePath("in/old.txt"), "old") &&
                writeFile(dir.filePath("in/docs/d.txt"), "d") && writeFile(dir.filePath("new.txt"), "new") &&
                writeFile(dir.filePath("more/m.txt"), "m"));
        QStringList make = {"a", "--", path, "old.txt", "docs"};
        if (!password.isEmpty())
            make.insert(1, archive.endsWith(".7z") ? "-mhe=on" : "-p" + password);
        if (archive.endsWith(".7z") && !password.isEmpty())
            make.insert(1, "-p" + password);
        if (empty.isEmpty()) {
            brivo::test::CurrentDirectory inFolder(dir.filePath("in"));
            sevenZip(make);
        } else {
            QVERIFY(writeFile(path, empty));
        }
        const QStringList old =
            empty.isEmpty() ? QStringList{"docs", "docs/d.txt", "old.txt"} : QStringList();
        const QByteArray before = readFile(path);
        Widget window;
        window.show();
        if (!password.isEmpty()) { // the names of the 7z can be read only with the password
            window.passwordBox->click();
            window.passwordEdit->setText(password);
        }
        window.setf(path);
        auto *contents = window.findChild<QTreeView *>("contents");
        QTRY_VERIFY(window.findChild<QLabel *>("contentsStatus")->text().contains(" entr"));
        QCOMPARE(contents->model()->rowCount(), empty.isEmpty() ? 2 : 0);
        window.passwordBox->setChecked(false);
        ModalAnswerer answers;
        const auto typePassword = [&answers](const QString &typed) {
            answers.act([typed](QWidget *modal) {
                auto *dialog = qobject_cast<QInputDialog *>(modal);
                dialog->setTextValue(typed);
                dialog->accept();
            });
        };
        if (!password.isEmpty())
            typePassword("wrong");
        answers.press(QMessageBox::Yes);
        const auto dropAt = [&](const QString &name, const QStringList &files) {
            const QModelIndexList found = contents->model()->match(
                contents->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
            const QPoint at = name.isEmpty() ? contents->viewport()->rect().bottomLeft() - QPoint(-5, 5)
                                             : contents->visualRect(found.value(0)).center();
            QList<QUrl> urls;
            for (const QString &file : files)
                urls << QUrl::fromLocalFile(dir.filePath(file));
            return brivo::test::sendDropUrls(&window, urls, contents->viewport()->mapTo(&window, at));
        };
        QVERIFY(dropAt({}, {"new.txt", "gone"}));
        QVERIFY(answers.waitUntilAnswered());
        QVERIFY(waitIdle(window));
        QCOMPARE(answers.last().text, "Add 2 files to \"" + archive + "\"?");
        const QString verdict = window.findChild<QListWidget *>("verdicts")->item(0)->text();
        QCOMPARE(verdict, archive + (password.isEmpty() ? ": failed" : ": wrong password"));
        QCOMPARE(readFile(path), before);
        QCOMPARE(leftovers(dir.path()), QStringList());

        QVERIFY(button(window, "Add...")->isEnabled());
        answers.chooseFile(dir.filePath("new.txt"));
        if (!password.isEmpty())
            typePassword(password);
        answers.press(QMessageBox::Yes);
        button(window, "Add...")->click();
        QVERIFY(waitIdle(window));
        QCOMPARE(answers.last().text, "Add \"new.txt\" to \"" + archive + "\"?");
        QVERIFY2(window.output->toPlainText().endsWith("Added to \"" + path + "\"."),
                 qPrintable(window.output->toPlainText()));
        QStringList names = QStringList(old) << "new.txt";
        names.sort();
        QCOMPARE(namesIn(path, password), names);
        QTRY_COMPARE(contents->model()->rowCount(), empty.isEmpty() ? 3 : 1);
        QCOMPARE(window.listModel->stringList(), QStringList{path}); // the drop added nothing to the list
        if (!empty.isEmpty())
            return;

        // Into the folder "docs", dropped on a file inside it.
        contents->expand(contents->model()->index(0, 0));
        if (!password.isEmpty())
            typePassword(password);
        answers.press(QMessageBox::Yes);
        QVERIFY(dropAt("d.txt", {"more"}));
        QVERIFY(answers.waitUntilAnswered());
        QVERIFY(waitIdle(window));
        QCOMPARE(answers.last().text, "Add \"more\" to the folder \"docs\" of \"" + archive + "\"?");
        QVERIFY2(window.output->toPlainText().endsWith("Added to \"" + path + "\"."),
                 qPrintable(window.output->toPlainText()));
        QCOMPARE(namesIn(path, password),
                 QStringList({"docs", "docs/d.txt", "docs/more", "docs/more/m.txt", "new.txt", "old.txt"}));
        const QScrollBar *pane = window.output->verticalScrollBar();
        QTRY_COMPARE(pane->value(), pane->maximum()); // the pane follows to the last line
        int code = -1;
        sevenZip({"t", "-p" + password, "--", path}, {}, &code);
        QCOMPARE(code, 0); // one password for all, the old one
        QCOMPARE(leftovers(dir.path()), QStringList());

        // Again: "docs" already holds "more", and nothing runs; nor for two files of one name.
        QTRY_COMPARE(contents->model()->rowCount(), 3);
        const QByteArray added1 = readFile(path);
        QVERIFY(writeFile(dir.filePath("in/new.txt"), "other"));
        const std::pair<QStringList, QString> refusals[] = {
            {{"more"}, "\"" + archive + "\" already holds \"docs/more\"."},
            {{"new.txt", "in/new.txt"}, "Two of the files to add are named \"new.txt\"."}};
        for (const auto &[files, text] : refusals) {
            answers.press(QMessageBox::Ok);
            QVERIFY(dropAt("docs", files));
            QVERIFY(answers.waitUntilAnswered());
            QCOMPARE(answers.last().text, text + " Nothing was added.");
        }
        QCOMPARE(readFile(path), added1);
    }

    // A double-click on a file entry asks for the password of an encrypted one, extracts that entry alone
    // into a private folder (nothing lands beside the archive) and opens it in the tool for its type; the
    // folder goes once that window has closed.
    void sevenZipOpensAnEntry()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("in/docs/notes.txt"), "notes") &&
                writeFile(dir.filePath("in/b.txt"), "b") && writeFile(dir.filePath("in/c.unknown"), "c"));
        {
            brivo::test::CurrentDirectory inFolder(dir.filePath("in"));
            sevenZip({"a", "-p", dir.filePath("a.7z"), "--", "docs", "b.txt", "c.unknown"}, "pw\n");
        }
        QString opened;
        brivo::Tool tool = brivo::Tool::Snapshot;
        QPointer<QWidget> shown;
        brivo::setOpenerOverrideForTesting(
            [&](brivo::Tool t, const QString &path, const brivo::OpenOptions &) {
                tool = t;
                opened = path;
                shown = new QWidget;
                brivo::keepUntilClosed(shown);
                shown->show();
                return shown.data();
            });
        const auto restore = qScopeGuard([] { brivo::setOpenerOverrideForTesting({}); });
        Widget window;
        window.show();
        window.setf(dir.filePath("a.7z"));
        auto *contents = window.findChild<QTreeView *>("contents");
        QTRY_COMPARE(contents->model()->rowCount(), 3);
        const QModelIndex docs = contents->model()->index(0, 0);
        contents->expand(docs);
        const QModelIndex notes = contents->model()->index(0, 0, docs);
        ModalAnswerer answers;
        const auto givePassword = [](QWidget *modal) {
            auto *dialog = qobject_cast<QInputDialog *>(modal);
            dialog->setTextValue("pw");
            dialog->accept();
        };
        answers.act(givePassword);
        emit contents->doubleClicked(notes);
        QTRY_VERIFY2_WITH_TIMEOUT(shown, qPrintable(window.output->toPlainText() + answers.last().className),
                                  10000);
        QCOMPARE(answers.last().className, "QInputDialog");
        QVERIFY(tool == brivo::Tool::Notepad && opened.endsWith("/docs/notes.txt"));
        QCOMPARE(readFile(opened), "notes");
        const QString folder = opened.chopped(QString("/docs/notes.txt").size());
        QVERIFY(folder.startsWith(QDir::tempPath() + "/brivo-entry-"));
        QCOMPARE(QFile::permissions(folder) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"a.7z", "in"}));
        window.close();
        QVERIFY(QFileInfo::exists(opened)); // the archive's window is not the one that shows it
        shown->close();
        QTRY_VERIFY(!QFileInfo::exists(folder));

        // A file no tool claims opens the launcher to choose one: its folder outlives the launcher, whose
        // choice opens a window of its own, and goes when the program ends.
        const QStringList before = brivo::zip::openedEntryFolders();
        Widget second;
        second.show();
        second.setf(dir.filePath("a.7z"));
        QTRY_COMPARE(second.findChild<QTreeView *>("contents")->model()->rowCount(), 3);
        QAbstractItemModel *model = second.findChild<QTreeView *>("contents")->model();
        answers.act(givePassword);
        emit second.findChild<QTreeView *>("contents")->doubleClicked(model->index(2, 0));
        const auto launcher = [] {
            const QList<QWidget *> shown = brivo::test::visibleWindows<QWidget>();
            const auto found =
                std::find_if(shown.begin(), shown.end(), [](QWidget *w) { return w->inherits("showmain"); });
            return found == shown.end() ? nullptr : *found;
        };
        QTRY_VERIFY_WITH_TIMEOUT(launcher(), 10000);
        QCOMPARE(brivo::zip::openedEntryFolders().size(), before.size() + 1);
        launcher()->close();
        QTest::qWait(200);
        QCOMPARE(brivo::zip::openedEntryFolders().size(), before.size() + 1);
    }

    // The format comes from the name; a compressed tar holds a tar; a name 7z cannot write gets ".7z".
    void sevenZipFormats_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("type");
        // ".tgz" asks 7z for what ".tar.gz" does; formatFromTheName above reads it so.
        const QList<std::array<const char *, 3>> rows = {
            {"a.zip", "a.zip", "zip"},      {"a.tar", "a.tar", "tar"},     {"a.tar.gz", "a.tar.gz", "gzip"},
            {"a.tar.xz", "a.tar.xz", "xz"}, {"backup", "backup.7z", "7z"}, {"a.rar", "a.rar.7z", "7z"}};
        for (const auto &[typed, written, type] : rows)
            QTest::newRow(typed) << QString(typed) << QString(written) << QString(type);
    }
    void sevenZipFormats()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("in/one.txt"), "1") && writeFile(dir.filePath("in/two.txt"), "2"));
        Widget window;
        window.setf(dir.filePath("in"));
        ModalAnswerer answers;
        answers.chooseFile(dir.filePath(typed));
        window.zip();
        QVERIFY(waitIdle(window));
        const QString archive = dir.filePath(written);
        QVERIFY2(window.output->toPlainText().endsWith("Packed into \"" + archive + "\"."),
                 qPrintable(window.output->toPlainText()));
        QTEST(
            QString::fromUtf8(sevenZip({"l", "-slt", archive})).section("Type = ", 1, 1).section('\n', 0, 0),
            "type");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{written});
        QFETCH(QString, type);
        QString packed = archive;
        if (type == "gzip" || type == "xz") { // the tar inside
            sevenZip({"x", "-o" + dir.filePath("out"), archive});
            packed = dir.filePath("out/a.tar");
        }
        QCOMPARE(namesIn(packed), QStringList({"in", "in/one.txt", "in/two.txt"}));
    }

    // After "replace?" the archive holds only what was packed now. A failed run, a cancelled one, and a
    // "no" to replacing a name that gained ".7z", leave the old archive byte for byte.
    void sevenZipReplaces()
    {
        QTemporaryDir dir;
        const QString archive = dir.filePath("old.7z");
        QVERIFY(writeFile(dir.filePath("old.txt"), "old") && writeFile(dir.filePath("new.txt"), "new"));
        sevenZip({"a", archive, dir.filePath("old.txt")});
        const QByteArray before = readFile(archive);
        QVERIFY(!before.isEmpty());

        Widget window;
        window.setf(dir.filePath("new.txt"));
        window.setf(dir.filePath("missing.txt"));
        ModalAnswerer answers;
        answers.chooseFile(archive);
        window.zip();
        QVERIFY(waitIdle(window));
        QVERIFY2(window.output->toPlainText().contains("\"" + archive + "\" was left as it was."),
                 qPrintable(window.output->toPlainText()));
        QCOMPARE(readFile(archive), before);

        answers.chooseFile(dir.filePath("old"));
        answers.press(QMessageBox::No);
        window.dela();
        window.setf(dir.filePath("new.txt"));
        window.zip();
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.last().text, "old.7z already exists.\nDo you want to replace it?");
        QVERIFY(!window.isBusy() && readFile(archive) == before);

        answers.chooseFile(dir.filePath("old"));
        answers.press(QMessageBox::Yes);
        window.zip();
        QVERIFY(waitIdle(window));
        QCOMPARE(namesIn(archive), QStringList{"new.txt"});
        QCOMPARE(leftovers(dir.path()), QStringList());
    }

    void sevenZipEndedDuringRun_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel, while a second window packs") << 0;
        QTest::newRow("window closed") << 1;
    }
    // Cancel, or closing the window, while 7z runs ends 7z and removes what it half made; the old archive
    // stays (quitting does the same: tests/e2e ends the program during an extraction). After Cancel the
    // window is ready for the next run; a second window meanwhile packs, finishes and reports on its own.
    void sevenZipEndedDuringRun()
    {
        QFETCH(int, how);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("big.bin"), someBytes(24 * 1024 * 1024, 8)));
        QVERIFY(writeFile(dir.filePath("big.7z"), "old archive") &&
                writeFile(dir.filePath("small.txt"), "s"));
        QPointer<Widget> window = new Widget;
        brivo::keepUntilClosed(window);
        window->show();
        window->setf(dir.filePath("big.bin"));
        ModalAnswerer answers;
        answers.chooseFile(dir.filePath("big.7z"));
        qint64 pid = 0;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (pid || window->findChild<QLabel *>("progressFile")->text() != "big.bin")
                return;
            pid = window->archiverProcessId();
            if (how == 1)
                window->close();
        });
        watcher.start(20);
        window->zip();
        QTRY_VERIFY_WITH_TIMEOUT(pid > 0 && (how != 1 || !window), 30000);
        if (how == 0) {
            QVERIFY(!button(*window, "Zip")->isEnabled() && !button(*window, "Un Zip")->isEnabled());
            Widget quick;
            quick.setf(dir.filePath("small.txt"));
            answers.chooseFile(dir.filePath("small.zip"));
            quick.zip();
            QVERIFY(waitIdle(quick));
            QVERIFY2(window->isBusy(), "the first run ended before the second: the test proves nothing");
            QVERIFY(
                quick.output->toPlainText().endsWith("Packed into \"" + dir.filePath("small.zip") + "\"."));
            QCOMPARE(namesIn(dir.filePath("small.zip")), QStringList{"small.txt"});
            button(*window, "Cancel")->click();
            QVERIFY(waitIdle(*window));
            QVERIFY2(window->output->toPlainText().contains("Cancelled."),
                     qPrintable(window->output->toPlainText()));
            QCOMPARE(window->findChild<QListWidget *>("verdicts")->item(0)->text(), "big.7z: cancelled");
            QVERIFY(button(*window, "Zip")->isEnabled());
        }
        QTRY_VERIFY(!QFile::exists("/proc/" + QString::number(pid)));
        QCOMPARE(readFile(dir.filePath("big.7z")), "old archive");
        QCOMPARE(leftovers(dir.path()), QStringList());
    }

    void refusedBeforeAnythingRuns()
    {
        QTemporaryDir dir;
        Widget window;
        window.show();
        ModalAnswerer answers;
        window.output->setText("earlier");
        window.zip();
        QVERIFY(answers.last().title == "Error" && window.output->toPlainText().isEmpty());
        QCOMPARE(answers.last().text, "No file's to zip");

        window.setf(dir.filePath("a.7z"));
        window.setf(dir.filePath("b.7z"));
        window.passwordBox->click();
        window.unzip();
        window.zip();
        QCOMPARE(answers.seen().size(), 3); // no save dialog after the boxes
        QCOMPARE(answers.last().text,
                 "Password checked.But Empty password recieved enter password in textbox or "
                 "Un check password");
        // 7z would pack a tar without the password, and say nothing.
        window.passwordEdit->setText("typed");
        answers.chooseFile(dir.filePath("x.tar.gz"));
        window.zip();
        QVERIFY(answers.waitUntilAnswered());
        QVERIFY(answers.last().text.startsWith("A tar archive cannot hold a password.") && !window.isBusy());
        QVERIFY(!QFile::exists(dir.filePath("x.tar.gz")));
        // The field shows dots until the eye is pressed; unticking forgets the text, the password and the
        // eye.
        auto *eye = window.findChild<QToolButton *>("showPassword");
        QVERIFY(window.passwordEdit->echoMode() == QLineEdit::Password && eye->isVisible());
        eye->click();
        QCOMPARE(window.passwordEdit->echoMode(), QLineEdit::Normal);
        window.passwordBox->click();
        QVERIFY(!window.passwordEdit->isVisible() && window.passwordEdit->text().isEmpty() &&
                !eye->isVisible());
        QCOMPARE(window.passwordEdit->echoMode(), QLineEdit::Password);

        // Without the archiver, one message says so in words, however many archives are listed.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()));
        window.unzip();
        QVERIFY(waitIdle(window));
        qputenv("PATH", path);
        QCOMPARE(window.output->toPlainText(),
                 "The archiver \"7z\" was not found on the search path. Install "
                 "7-Zip (on Debian and Ubuntu the package p7zip-full) and try again.");
    }

    // What 7z wrote is checked before it joins the folder: a link leading out, or a folder of the archive
    // where the folder holds a link, refuses the whole archive, named and explained; the folder stays as
    // it was. What 7z itself refuses is not extracted either.
    void sevenZipRefusesWritingOutside_data()
    {
        QTest::addColumn<QByteArray>("tar");
        QTest::addColumn<QString>("said");
        const TarEntry ok{"ok.txt", "fine", '0', {}};
        QTest::newRow("through a link already there")
            << tarArchive({ok, {"away/escaped.txt", "x", '0', {}}})
            << "\"away\" would be written through a link of that name that is already in the folder";
        QTest::newRow("absolute link")
            << tarArchive({ok, {"pw", {}, '2', "/etc/passwd"}}) << "\"pw\" is a link to \"/";
        QTest::newRow("link climbing out")
            << tarArchive({ok, {"up", {}, '2', "../.."}, {"up/escaped.txt", "x", '0', {}}})
            << "Nothing was extracted.";
        QTest::newRow("../") << tarArchive({ok, {"../escaped.txt", "x", '0', {}}}) << "";
        QTest::newRow("a link named in bytes that are not UTF-8")
            << tarArchive({ok, {"caf\xe9", "x", '0', {}}, {"pw\xff", {}, '2', "/etc/passwd"}})
            << "\"pw\\xff\" is a link to \"/";
    }
    void sevenZipRefusesWritingOutside()
    {
        QFETCH(QByteArray, tar);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString folder = dir.filePath("inner");
        QVERIFY(QDir().mkpath(folder) && writeFile(folder + "/evil.tar", tar));
        QVERIFY(QFile::link(dir.path(), folder + "/away")); // a folder link already there, pointing out
        Widget window;
        window.setf(folder + "/evil.tar");
        window.unzip();
        QVERIFY(waitIdle(window));
        const QString output = window.output->toPlainText();
        QVERIFY(!QFile::exists(dir.filePath("escaped.txt")) &&
                !QFile::exists(dir.filePath("../escaped.txt")));
        QCOMPARE(leftovers(folder), QStringList());
        if (said.isEmpty()) { // 7z writes such a name inside the folder; that is where it stays
            QVERIFY2(output.endsWith("Extracted \"" + folder + "/evil.tar\" into \"" + folder + "\"."),
                     qPrintable(output));
            QVERIFY(QFile::exists(folder + "/escaped.txt"));
            return;
        }
        QVERIFY2(output.contains(said), qPrintable(output));
        QVERIFY(!QFile::exists(folder + "/ok.txt")); // refused whole
        if (!said.startsWith("Nothing"))
            QVERIFY(output.contains("Not extracted: \"" + folder + "/evil.tar\" was refused.") &&
                    output.endsWith("The folder \"" + folder + "\" was left as it was."));
    }

    // Selecting an archive shows its entries, names escaped; the encrypted list of contents asks for the
    // password in words, Test says how the archive is, and "Extract Selected" extracts only those entries,
    // through the same checked extraction.
    void sevenZipContentsTestAndExtractSelected()
    {
        QTemporaryDir dir;
        const QString names = dir.filePath("names");
        const QString control = QString::fromUtf8("ctl\bx\ry\x1bz.txt");
        for (const QString &name : {QString("with space.txt"), QString::fromUtf8("café.txt"), control})
            QVERIFY(writeFile(names + "/" + name, name.toUtf8()));
        QVERIFY(writeFile(names + "/sub/inner.txt", "inner"));
        brivo::test::CurrentDirectory inFolder(names);
        sevenZip(
            {"a", "-sccUTF-8", dir.filePath("names.7z"), "--", "with space.txt", "café.txt", control, "sub"});
        sevenZip({"a", "-mhe=on", "-p", dir.filePath("hidden.7z"), "--", "with space.txt"}, "pw\n");
        const QByteArray whole = readFile(dir.filePath("names.7z"));
        QVERIFY(writeFile(dir.filePath("cut.7z"), whole.left(whole.size() - 40)));
        QVERIFY(writeFile(dir.filePath(QString::fromUtf8("bad\rname\b.7z")), "not an archive"));

        Widget window;
        window.show();
        auto *table = window.findChild<QTreeView *>("contents");
        auto *status = window.findChild<QLabel *>("contentsStatus");
        window.setf(dir.filePath("names.7z"));
        QCOMPARE(window.fileTree->currentIndex(), window.fsModel->index(dir.path()));
        // The archive's folders first, sizes as the desktop writes them; the flat list shows every path.
        QTRY_COMPARE(table->model()->rowCount(), 4);
        const QModelIndex sub = table->model()->index(0, 0);
        QCOMPARE(sub.data().toString(), "sub");
        QCOMPARE(table->model()->rowCount(sub), 1);
        QCOMPARE(table->model()->index(0, 1, sub).data().toString(), QLocale().formattedDataSize(5));
        window.findChild<QCheckBox *>("flatList")->click();
        QCOMPARE(table->model()->rowCount(), 5);
        QStringList shown;
        for (int row = 0; row < 5; ++row)
            shown << table->model()->index(row, 0).data().toString();
        QCOMPARE(shown, QStringList({"sub/", QString::fromUtf8("café.txt"), "ctl\\bx\\ry\\x1bz.txt",
                                     "sub/inner.txt", "with space.txt"}));
        QVERIFY(status->text().contains("5 entries"));

        window.setf(dir.filePath("hidden.7z"));
        window.listView->setCurrentIndex(window.listModel->index(1));
        QTRY_VERIFY(status->text().contains("is encrypted: tick \"Password\""));
        QCOMPARE(table->model()->rowCount(), 0);
        window.passwordBox->click();
        window.passwordEdit->setText("pw");
        QTest::keyClick(window.passwordEdit, Qt::Key_Return);
        QTRY_COMPARE(table->model()->rowCount(), 1);
        QCOMPARE(table->model()->index(0, 4).data().toString(), "yes");

        window.setf(dir.filePath("cut.7z"));
        window.setf(dir.filePath(QString::fromUtf8("bad\rname\b.7z")));
        window.listView->setCurrentIndex(window.listModel->index(2));
        QTRY_VERIFY(status->text().contains("is incomplete"));
        button(window, "Test")->click();
        QVERIFY(waitIdle(window));
        const QString said = window.output->toPlainText();
        QVERIFY2(said.contains("Tested \"" + dir.filePath("names.7z") + "\": no errors found.") &&
                     said.contains("Tested \"" + dir.filePath("hidden.7z") + "\": no errors found.") &&
                     said.contains("cut.7z\" is incomplete") &&
                     said.contains("bad\\rname\\b.7z\" is not an archive"),
                 qPrintable(said));
        QVERIFY(!said.contains('\r') && !said.contains('\b'));

        // Extract two of the entries of names.7z: a file with control characters and a folder.
        window.passwordBox->click();
        window.listView->setCurrentIndex(window.listModel->index(0));
        QTRY_COMPARE(table->model()->rowCount(), 5);
        QVERIFY(!button(window, "Extract Selected")->isEnabled());
        table->selectionModel()->select(table->model()->index(0, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        table->selectionModel()->select(table->model()->index(2, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QString into = dir.path();
        QVERIFY(QFile::link(dir.filePath("names"), into + "/sub")); // a link where the archive has a folder
        button(window, "Extract Selected")->click();
        QVERIFY(waitIdle(window));
        QVERIFY2(window.output->toPlainText().contains("\"sub\" would be written through a link"),
                 qPrintable(window.output->toPlainText()));
        QVERIFY(!QFile::exists(into + "/" + control));
        QVERIFY(QFile::remove(into + "/sub"));
        button(window, "Extract Selected")->click();
        QVERIFY(waitIdle(window));
        QCOMPARE(QDir(into).entryList({"ctl*", "sub", "with*"}, QDir::AllEntries),
                 QStringList({control, "sub"}));
        QCOMPARE(readFile(into + "/sub/inner.txt"), "inner");
        QCOMPARE(leftovers(into), QStringList());
    }

    // A file of the folder whose content differs is replaced only as the user says; an identical one is
    // not asked about, a new one just comes. Un Zip and Extract To ask alike; Cancel leaves all as it was.
    void sevenZipAsksBeforeReplacing_data()
    {
        QTest::addColumn<QList<int>>("answers"); // QMessageBox buttons, in order
        QTest::addColumn<QByteArray>("after");   // notes.txt, then sub/other.txt: 'a' the archive's, 'm' mine
        QTest::newRow("replace, then keep")
            << QList<int>{QMessageBox::Yes, QMessageBox::No} << QByteArray("am");
        QTest::newRow("keep all") << QList<int>{QMessageBox::NoToAll} << QByteArray("mm");
        QTest::newRow("replace all, through Extract To")
            << QList<int>{QMessageBox::YesToAll} << QByteArray("aa");
        QTest::newRow("cancel") << QList<int>{QMessageBox::Cancel} << QByteArray("--");
    }
    void sevenZipAsksBeforeReplacing()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString into = dir.filePath("into");
        const bool extractTo = QByteArray(QTest::currentDataTag()).contains("Extract To");
        const QString archive = (extractTo ? dir.path() : into) + "/gift.tar";
        QVERIFY(writeFile(archive, tarArchive({{"notes.txt", "archive's", '0', {}},
                                               {"same.txt", "same", '0', {}},
                                               {"sub/other.txt", "archive's too", '0', {}},
                                               {"new.txt", "new", '0', {}}})));
        for (const char *name : {"notes.txt", "same.txt", "sub/other.txt"})
            QVERIFY(writeFile(into + "/" + name, QByteArray(name) == "same.txt" ? "same" : "mine"));
        Widget window;
        window.setf(archive);
        ModalAnswerer modal;
        if (extractTo)
            modal.chooseFile(into);
        for (const int answer : answers)
            modal.press(QMessageBox::StandardButton(answer));
        (extractTo ? button(window, "Extract To...") : button(window, "Un Zip"))->click();
        QVERIFY(waitIdle(window));
        QCOMPARE(modal.seen().size(), answers.size() + (extractTo ? 1 : 0));
        const auto question = modal.seen().at(extractTo ? 1 : 0);
        QVERIFY2(question.text.contains("\"notes.txt\"") &&
                     question.informativeText.startsWith("Existing: 4 bytes, modified ") &&
                     question.informativeText.contains("From the archive: 9 bytes, modified "),
                 qPrintable(question.text + question.informativeText));
        QCOMPARE(readFile(into + "/same.txt"), "same");
        const QString said = window.output->toPlainText();
        for (const auto &[name, archived] :
             {std::pair{"notes.txt", "archive's"}, {"sub/other.txt", "archive's too"}}) {
            const char which = after.at(QByteArray(name) == "notes.txt" ? 0 : 1);
            QCOMPARE(readFile(into + "/" + name), which == 'a' ? QByteArray(archived) : QByteArray("mine"));
        }
        QCOMPARE(QFile::exists(into + "/new.txt"), after != "--");
        QVERIFY2(said.contains(after == "--" ? "Cancelled. Nothing was extracted" : "Extracted"),
                 qPrintable(said));
        QCOMPARE(leftovers(into), QStringList());
    }

    // 7z lists a line break in a name as "_" and finds nothing by that name; Extract Selected still takes
    // exactly the selected entry: 7z is asked for each name it may have, or, with too many of them or a
    // name that is not UTF-8 (shown escaped), the whole archive is extracted and only the entry kept.
    void sevenZipExtractSelectedByListedName_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a line break") << QByteArray("a\nb.txt") << "a_b.txt";
        QTest::newRow("seven") << QByteArray("a\nb\nc\nd\ne\nf\ng\nh.txt") << "a_b_c_d_e_f_g_h.txt";
        QTest::newRow("not UTF-8") << QByteArray("caf\xe9.txt") << "caf\\xe9.txt";
        QTest::newRow("a folder only implied by the path below it") << QByteArray("g/h.txt") << "g";
    }
    void sevenZipExtractSelectedByListedName()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        QVERIFY(writeFile(
            dir.filePath("nl.tar"),
            tarArchive({{name, "selected", '0', {}}, {"c.txt", "c", '0', {}}, {"d/e.txt", "e", '0', {}}})));
        Widget window;
        window.setf(dir.filePath("nl.tar"));
        auto *table = window.findChild<QTreeView *>("contents");
        QTRY_COMPARE(table->model()->rowCount(), 3);
        const QModelIndexList found =
            table->model()->match(table->model()->index(0, 0), Qt::DisplayRole, shown);
        QCOMPARE(found.size(), 1);
        table->selectionModel()->select(found.first(),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        button(window, "Extract Selected")->click();
        QVERIFY(waitIdle(window));
        QVERIFY2(window.output->toPlainText().contains("Extracted"),
                 qPrintable(window.output->toPlainText()));
        QByteArrayList names; // as the file system holds them
        for (const auto &entry :
             std::filesystem::directory_iterator(QFile::encodeName(dir.path()).toStdString()))
            names << QByteArray::fromStdString(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        QCOMPARE(names, QByteArrayList({name.split('/').first(), "nl.tar"}));
        std::ifstream file(QFile::encodeName(dir.path()).toStdString() + "/" + name.toStdString());
        QCOMPARE(std::string(std::istreambuf_iterator<char>(file), {}), std::string("selected"));
    }

    // The opener hands the window its file; the tree lists what is double-clicked, duplicates included;
    // a drop adds every local file it carries.
    void theSelectionList()
    {
        auto *window = qobject_cast<Widget *>(brivo::openTool(brivo::Tool::Archive, "/data/x.tar.gz"));
        // The file tree opens at the user's home, the folder of an archive it is opened with otherwise.
        QCOMPARE(window->fileTree->currentIndex(), window->fsModel->index(QDir::homePath()));
        QVERIFY(window->fileTree->isExpanded(window->fsModel->index(QDir::homePath())));
        window->addtoleft(window->fsModel->index("/tmp"));
        window->addtoleft(window->fsModel->index("/tmp"));
        QMimeData textOnly;
        textOnly.setText("no address");
        QVERIFY(!brivo::test::sendDrop(window, &textOnly));
        QVERIFY(!brivo::test::sendDropUrls(window, {QUrl("https://example.org/a.zip")}));
        QVERIFY(brivo::test::sendDropUrls(
            window, {QUrl::fromLocalFile("/d/a b.7z"), QUrl::fromLocalFile("/d/c.7z")}));
        QCOMPARE(window->listModel->stringList(),
                 QStringList({"/data/x.tar.gz", "/tmp", "/tmp", "/d/a b.7z", "/d/c.7z"}));
        // The opened archive stays the one selected while the list grows.
        QCOMPARE(window->listView->currentIndex().row(), 0);
    }
};

QTEST_MAIN(tst_archivetool)
#include "tst_archivetool.moc"
