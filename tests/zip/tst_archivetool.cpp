// The archive window driving the real 7z in temporary folders.
#include "app/toolopeners.h"
#include "common/windowkeeper.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "zip/widget.h"

#include <QtTest>
#include <QtWidgets>

#include <array>
#include <filesystem>
#include <fstream>

using brivo::test::ModalAnswerer;
using brivo::test::readFile;
using brivo::test::writeFile;

namespace {

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

    // The format comes from the name; a compressed tar holds a tar; a name 7z cannot write gets ".7z".
    void sevenZipFormats_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("type");
        // ".tgz" asks 7z for what ".tar.gz" does; formatFromTheName in tst_archiveparsers reads it so.
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
        window.passwordBox->click(); // unticking forgets the field's text and the password
        QVERIFY(!window.passwordEdit->isVisible() && window.passwordEdit->text().isEmpty());

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
        auto *table = window.findChild<QTableView *>("contents");
        auto *status = window.findChild<QLabel *>("contentsStatus");
        window.setf(dir.filePath("names.7z"));
        QTRY_COMPARE(table->model()->rowCount(), 5);
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
        auto *table = window.findChild<QTableView *>("contents");
        QTRY_COMPARE(table->model()->rowCount(), 3);
        table->selectRow(0);
        QCOMPARE(table->model()->index(0, 0).data().toString(), shown);
        button(window, "Extract Selected")->click();
        QVERIFY(waitIdle(window));
        QVERIFY2(window.output->toPlainText().contains("Extracted"),
                 qPrintable(window.output->toPlainText()));
        QByteArrayList names; // as the file system holds them
        for (const auto &entry :
             std::filesystem::directory_iterator(QFile::encodeName(dir.path()).toStdString()))
            names << QByteArray::fromStdString(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        QCOMPARE(names, QByteArrayList({name, "nl.tar"}));
        std::ifstream file(QFile::encodeName(dir.path()).toStdString() + "/" + name.toStdString());
        QCOMPARE(std::string(std::istreambuf_iterator<char>(file), {}), std::string("selected"));
    }

    // The opener hands the window its file; the tree lists what is double-clicked, duplicates included;
    // a drop adds every local file it carries.
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
                 QStringList({"/data/x.tar.gz", "/tmp", "/tmp", "/d/a b.7z", "/d/c.7z"}));
        // The opened archive stays the one selected while the list grows.
        QCOMPARE(window->listView->currentIndex().row(), 0);
    }
};

QTEST_MAIN(tst_archivetool)
#include "tst_archivetool.moc"
