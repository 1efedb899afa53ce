// The archive tool: its 7z argument lists, its reading of 7z's output, the check of what an archive would
// write, and its window driving the real 7z in temporary folders.
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "zip/archivelisting.h"
#include "zip/archiveroutputreader.h"
#include "zip/sevenzipcommand.h"
#include "zip/widget.h"

#include <QtTest>
#include <QtWidgets>

using namespace brivo::zip;
using brivo::test::ModalAnswerer;
using brivo::test::writeFile;

namespace {

// An entry of a tar archive written by hand, so that tests can hold what no archiver writes: names that
// climb out with "..", absolute names, links.
struct TarEntry
{
    QByteArray name, data;
    char type = '0'; // '0' file, '1' hard link, '2' symbolic link, '5' folder
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

QByteArray erased(const QByteArray &text)
{
    const QByteArray back(text.size(), '\b');
    return text + back + QByteArray(text.size(), ' ') + back;
}

QByteArray someBytes(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QPushButton *button(Widget &window, const QString &text)
{
    const QList<QPushButton *> all = window.findChildren<QPushButton *>();
    return *std::find_if(all.begin(), all.end(), [&](QPushButton *b) { return b->text() == text; });
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
        const QStringList tail = {"-spd", "-bsp1", "--"};
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

        // A drive's root loses its slash; "/ab" has three characters, but no drive.
        for (const char *folder : {"C:/", "d:/", "C:/work", "/ab"})
            QCOMPARE(folderArgument(folder), QString(folder).chopped(QString(folder).endsWith(":/")));
        QTemporaryDir dir;
        QCOMPARE(extractionFolder(dir.filePath("sub dir/a.7z")), dir.filePath("sub dir"));
        QCOMPARE(extractionFolder(dir.filePath("sub/../b.zip")), dir.path());
    }

    // A packing run as 7z writes it to a pipe: the scan counter and each progress report are written, then
    // rubbed out with backspaces, blanks and backspaces, counted in bytes. However the pipe cuts it, the
    // same lines and progress reports come out; the scan counter is no report.
    void readingOutputInPieces()
    {
        const QByteArray run = "\n7-Zip [64] 26.02\n\nScanning the drive:\n" + erased("  0M Scan ") +
                               "2 files, 200 bytes\n\n" + erased("  0%") + erased("  0% + big one.bin") +
                               erased(" 57% + big one.bin") + erased("100% 2 + séc.bin") +
                               "\nEverything is Ok\n";
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
            QCOMPARE(lines, QStringList({"", "7-Zip [64] 26.02", "", "Scanning the drive:",
                                         "2 files, 200 bytes", "", "", "Everything is Ok"}));
            QCOMPARE(reader.finish(), QString());
            QCOMPARE(reports.last(),
                     (ArchiverProgress{100, 2, QLatin1Char('+'), QString::fromUtf8("séc.bin")}));
            QVERIFY(size != 1 || reports.size() == 4);
        }
        ArchiverOutputReader reader;
        QCOMPARE(reader.feed(QByteArray(5, '\b') + "ERROR: x\r\nhalf-way\rHALF").lines,
                 QStringList{"ERROR: x"});
        QCOMPARE(reader.finish(), "HALF-way");
        // In a listing, a line without " = " continues the value above: a name with a line break is read
        // whole.
        QCOMPARE(parseListing({"----------", "Path = ok", "../../x", ""}).constFirst().path, "ok\n../../x");
    }

    // The folder holds "real/deeper", and links "near" (to real), "away" (to its parent) and "dangling".
    // 7z writes through a folder link that already stands in the folder, so such a folder is refused.
    void whatWouldLeaveTheFolder()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath("root");
        QVERIFY(QDir().mkpath(root + "/real/deeper") && QFile::link("..", root + "/away"));
        QVERIFY(QFile::link("real", root + "/near") && QFile::link("../missing", root + "/dangling"));
        // Entries: "name@" is a symbolic link, "name=target" a hard link.
        const auto count = [](const QString &entries, const QString &folder) {
            QList<ArchiveEntry> parsed;
            for (const QString &item : entries.split(' ')) {
                const bool link = item.endsWith('@');
                parsed.append({item.section('=', 0, 0).chopped(link), false, link, {}, item.section('=', 1)});
            }
            return int(extractionProblems(parsed, folder).size());
        };
        // Ordinary names, links that only point out, hard links and disk folders that stay inside.
        QCOMPARE(count(". a/b.txt ./c a..b lib.so@ i=a real/deeper/x near/x new/x away", root), 0);
        // Climbing (3), absolute (2), below a link of the archive, a hard link, disk folders leading out (2).
        QCOMPARE(count("../x s/../../x a\\..\\..\\x /x C:/x d/x d@ h=../p away/x dangling/x", root), 9);
        QCOMPARE(count("deeper/x", root + "/near"), 0); // a folder reached through a link
    }

    void sevenZipPackAndExtract_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("no password") << QString();
        QTest::newRow("password with a blank") << QStringLiteral("open sesame");
    }
    // Relative names, as a command line hands them over: only "--" keeps "-dash.txt" a name. The archive is
    // extracted next to itself, after a broken one whose failure the next success does not hide. A wrong
    // password's error (7z writes it to standard error) shows, and nothing is reported as a success.
    void sevenZipPackAndExtract()
    {
        QFETCH(QString, password);
        QTemporaryDir dir;
        const QMap<QString, QByteArray> contents = {{"a b.txt", "first"},
                                                    {"c  d.bin", someBytes(5000, 1)},
                                                    {"-dash.txt", "switch?"},
                                                    {"@list.txt", "?"}};
        Widget window;
        window.show();
        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            QVERIFY(writeFile(dir.filePath(it.key()), it.value()));
            window.setf(it.key());
        }
        brivo::test::CurrentDirectory inFolder(dir.path());
        if (!password.isEmpty())
            window.passwordBox->click();
        window.passwordEdit->setText(password);
        QVERIFY(QDir(dir.path()).mkdir("sub dir") && writeFile(dir.filePath("broken.7z"), "no archive"));
        const QString archive = dir.filePath("sub dir/my archive.7z");
        ModalAnswerer answers;
        answers.chooseFile(archive);
        window.zip();
        QVERIFY(answers.last().title == "Save" &&
                answers.last().text == "7z files (*.7z);;Zip files (*.zip);;Rar files (*.rar)");
        QVERIFY2(window.output->toPlainText().endsWith("Everything is Ok\nExit Code : 0\nExit Status : 0"),
                 qPrintable(window.output->toPlainText()));
        QCOMPARE(window.password, QString());

        window.dela();
        window.setf(dir.filePath("broken.7z"));
        window.setf(archive);
        if (!password.isEmpty()) {
            window.passwordEdit->setText("wrong");
            window.unzip();
            const QString said = window.output->toPlainText();
            QVERIFY2(said.contains("Wrong password") && said.count("Exit Code : 2") == 2, qPrintable(said));
            window.passwordEdit->setText(password);
        }
        window.unzip();
        const QString said = window.output->toPlainText();
        QVERIFY2(said.contains("broken.7z") && said.count("Exit Code : 2") == 1 &&
                     said.endsWith("Exit Code : 0\nExit Status : 0"),
                 qPrintable(said));
        for (auto it = contents.cbegin(); it != contents.cend(); ++it)
            QCOMPARE(brivo::test::readFile(dir.filePath("sub dir/" + it.key())), it.value());
        QCOMPARE(window.password, QString());
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
        window.passwordEdit->setText("typed");
        window.passwordBox->click(); // unticking forgets the field's text and the password
        QVERIFY(!window.passwordEdit->isVisible() && window.passwordEdit->text().isEmpty());

        // Without the archiver, one message says so in words, however many archives are listed.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()));
        window.unzip();
        qputenv("PATH", path);
        QCOMPARE(window.output->toPlainText(),
                 "The archiver \"7z\" was not found on the search path. Install "
                 "7-Zip (on Debian and Ubuntu the package p7zip-full) and try again.");
    }

    // 7z's own listing is what the check reads: its links, hard links and names as 7z reports them.
    void sevenZipRefusesWritingOutside_data()
    {
        QTest::addColumn<QByteArray>("tar");
        const TarEntry ok{"ok.txt", "fine", '0', {}};
        QTest::newRow("../") << tarArchive({ok, {"../escaped.txt", "x", '0', {}}});
        QTest::newRow("through its own link")
            << tarArchive({ok, {"up", {}, '2', ".."}, {"up/escaped.txt", "x", '0', {}}});
        QTest::newRow("through a link already there") << tarArchive({ok, {"away/escaped.txt", "x", '0', {}}});
        QTest::newRow("hard link") << tarArchive({ok, {"escaped", {}, '1', "../../etc/passwd"}});
    }
    void sevenZipRefusesWritingOutside()
    {
        QFETCH(QByteArray, tar);
        QTemporaryDir dir;
        const QString folder = dir.filePath("inner");
        QVERIFY(QDir().mkpath(folder) && writeFile(folder + "/evil.tar", tar));
        QVERIFY(QFile::link(dir.path(), folder + "/away")); // a folder link already there, pointing out
        Widget window;
        window.setf(folder + "/evil.tar");
        window.unzip();
        const QString said = window.output->toPlainText();
        QVERIFY2(said.startsWith("Not extracted: " + folder + "/evil.tar") && said.contains("escaped"),
                 qPrintable(said));
        // Refused whole: nothing escaped, and nothing was extracted inside either.
        QVERIFY(!QFile::exists(dir.filePath("escaped.txt")) && !QFile::exists(folder + "/ok.txt"));
    }

    // The opener hands the window its file; the tree lists what is double-clicked, duplicates included;
    // a drop adds its first local file only.
    void theSelectionList()
    {
        auto *window = qobject_cast<Widget *>(brivo::openTool(brivo::Tool::Archive, "/data/x.tar.gz"));
        window->addtoleft(window->fsModel->index("/tmp"));
        window->addtoleft(window->fsModel->index("/tmp"));
        QMimeData textOnly;
        textOnly.setText("no address");
        QVERIFY(!brivo::test::sendDrop(window, &textOnly));
        QVERIFY(!brivo::test::sendDropUrls(window, {QUrl("https://example.org/a.zip")}));
        QVERIFY(brivo::test::sendDropUrls(
            window, {QUrl::fromLocalFile("/d/a b.7z"), QUrl::fromLocalFile("/d/c.7z")}));
        QCOMPARE(window->listModel->stringList(),
                 QStringList({"/data/x.tar.gz", "/tmp", "/tmp", "/d/a b.7z"}));
    }

    // Cancel ends 7z politely: it removes its half archive, and the window is ready for the next run.
    void sevenZipStoppedInTheMiddle()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("big.bin"), someBytes(24 * 1024 * 1024, 7)));
        const QString archive = dir.filePath("big.7z");
        Widget window;
        window.setf(dir.filePath("big.bin"));
        // The window keeps handling events while 7z works: this timer sees the progress and stops the run.
        bool controlsLocked = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window.findChild<QLabel *>("progressFile")->text() != "big.bin" || !QFile::exists(archive))
                return;
            watcher.stop();
            controlsLocked = !button(window, "Zip")->isEnabled() && !button(window, "Un Zip")->isEnabled();
            button(window, "Cancel")->click();
        });
        watcher.start(20);
        ModalAnswerer answers;
        answers.chooseFile(archive);
        window.zip();
        QVERIFY2(controlsLocked && window.output->toPlainText().contains("Cancelled."),
                 qPrintable(window.output->toPlainText()));
        QVERIFY(!QFile::exists(archive) && !window.isBusy() && button(window, "Zip")->isEnabled());
    }
};

QTEST_MAIN(tst_archivetool)
#include "tst_archivetool.moc"
