// The archive tool's window, driving the real 7z in temporary folders.
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "tests/zip/craftedtar.h"
#include "zip/widget.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using brivo::test::ModalAnswerer;
using brivo::test::readFile;
using brivo::test::TarEntry;
using brivo::test::writeFile;

Q_DECLARE_METATYPE(QList<TarEntry>)

namespace {

QPushButton *button(Widget &window, const QString &text)
{
    for (QPushButton *b : window.findChildren<QPushButton *>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

QByteArray someBytes(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

bool packDirectly(const QString &archive, const QString &folder, const QString &name)
{
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(folder);
    sevenZip.start("7z", {"a", "-y", archive, "--", name});
    return sevenZip.waitForFinished(60000) && sevenZip.exitCode() == 0;
}

void choosePassword(Widget &window, const QString &password)
{
    if (!window.passwordBox->isChecked())
        window.passwordBox->click();
    window.passwordEdit->setText(password);
}

QStringList filesBelow(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    found.sort();
    return found;
}

} // namespace

class tst_archivetool : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("7z").isEmpty())
            QSKIP("7z is not installed");
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    void packAndExtract_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("no password") << QString();
        QTest::newRow("password with a blank") << QStringLiteral("open sesame");
    }
    void packAndExtract()
    {
        QFETCH(QString, password);
        QTemporaryDir dir;
        const QMap<QString, QByteArray> contents = {{"a b.txt", "first"},
                                                    {"c  d.bin", someBytes(5000, 1)},
                                                    {"-dash.txt", "switch?"},
                                                    {"@list.txt", "list?"}};
        Widget window;
        window.show();
        // Relative names, as a command line hands them over: only "--" keeps "-dash.txt" a name.
        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            QVERIFY(writeFile(dir.filePath(it.key()), it.value()));
            window.setf(it.key());
        }
        brivo::test::CurrentDirectory inFolder(dir.path());
        if (!password.isEmpty())
            choosePassword(window, password);
        const QString archive = dir.filePath("my archive.7z");
        ModalAnswerer answers;
        answers.chooseFile(archive);
        window.zip();
        QCOMPARE(answers.last().title, "Save");
        QCOMPARE(answers.last().text, "7z files (*.7z);;Zip files (*.zip);;Rar files (*.rar)");
        QVERIFY2(window.output->toPlainText().endsWith("Everything is Ok\nExit Code : 0\nExit Status : 0"),
                 qPrintable(window.output->toPlainText()));
        QCOMPARE(window.password, QString());

        for (auto it = contents.cbegin(); it != contents.cend(); ++it)
            QVERIFY(QFile::remove(dir.filePath(it.key())));
        window.dela();
        window.setf(archive);
        if (!password.isEmpty()) {
            window.passwordEdit->setText("wrong");
            window.unzip();
            QVERIFY(window.output->toPlainText().contains("Wrong password"));
            QVERIFY(!window.output->toPlainText().contains("Exit Code : 0"));
            window.passwordEdit->setText(password);
        }
        window.unzip();
        QVERIFY(window.output->toPlainText().endsWith("Exit Code : 0\nExit Status : 0"));
        for (auto it = contents.cbegin(); it != contents.cend(); ++it)
            QCOMPARE(readFile(dir.filePath(it.key())), it.value());
        QCOMPARE(window.password, QString());
    }

    // Each archive goes next to itself, and a failing one is not hidden by the next one's success.
    void extractsEveryArchiveOfTheList()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("make/in.txt"), "in"));
        QVERIFY(QDir().mkpath(dir.filePath("sub/deeper")));
        QVERIFY(packDirectly(dir.filePath("top.7z"), dir.filePath("make"), "in.txt"));
        QVERIFY(packDirectly(dir.filePath("sub/deeper/low.zip"), dir.filePath("make"), "in.txt"));
        QVERIFY(writeFile(dir.filePath("broken.7z"), "not an archive"));
        Widget window;
        for (const char *name : {"top.7z", "broken.7z", "sub/deeper/low.zip"})
            window.setf(dir.filePath(name));
        window.unzip();
        const QString said = window.output->toPlainText();
        QVERIFY2(said.contains("broken.7z") && said.contains("Exit Code : 2"), qPrintable(said));
        QCOMPARE(said.count("Exit Code : 0"), 2);
        QCOMPARE(readFile(dir.filePath("in.txt")), QByteArray("in"));
        QCOMPARE(readFile(dir.filePath("sub/deeper/in.txt")), QByteArray("in"));
    }

    void refusedBeforeAnythingRuns()
    {
        QTemporaryDir dir;
        Widget window;
        window.show();
        ModalAnswerer answers;
        window.output->setText("earlier");
        window.zip();
        QCOMPARE(answers.last().title, "Error");
        QCOMPARE(answers.last().text, "No file's to zip");
        QCOMPARE(window.output->toPlainText(), QString());

        window.setf(dir.filePath("a.7z"));
        choosePassword(window, QString());
        window.unzip();
        window.zip();
        QCOMPARE(answers.seen().size(), 3); // no save dialog after the boxes
        QCOMPARE(answers.last().text,
                 "Password checked.But Empty password recieved enter password in textbox or "
                 "Un check password");
        QVERIFY(!QFile::exists(dir.filePath("a.7z")));
        window.passwordEdit->setText("typed");
        window.passwordBox->click(); // unticking forgets the field's text and the password
        QVERIFY(!window.passwordEdit->isVisible() && window.passwordEdit->text().isEmpty());
    }

    void archivesThatWouldWriteOutsideAreRefused_data()
    {
        QTest::addColumn<QList<TarEntry>>("entries");
        QTest::addColumn<bool>("linkOnDisk"); // "away" already in the folder, pointing out
        const TarEntry ok{"ok.txt", "fine", '0', {}};
        QTest::newRow("../") << QList<TarEntry>{ok, {"../escaped.txt", "x", '0', {}}} << false;
        QTest::newRow("through its own link")
            << QList<TarEntry>{ok, {"up", {}, '2', ".."}, {"up/escaped.txt", "x", '0', {}}} << false;
        QTest::newRow("through a link already there")
            << QList<TarEntry>{ok, {"away/escaped.txt", "x", '0', {}}} << true;
    }
    void archivesThatWouldWriteOutsideAreRefused()
    {
        QFETCH(const QList<TarEntry>, entries);
        QTemporaryDir dir;
        const QString folder = dir.filePath("inner");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(folder + "/evil.tar", brivo::test::tarArchive(entries)));
        QFETCH(bool, linkOnDisk);
        if (linkOnDisk)
            QVERIFY(QFile::link(dir.path(), folder + "/away"));
        const QStringList before = filesBelow(dir.path());
        Widget window;
        window.setf(folder + "/evil.tar");
        window.unzip();
        const QString said = window.output->toPlainText();
        QVERIFY2(said.startsWith("Not extracted: " + folder + "/evil.tar") && said.contains("escaped"),
                 qPrintable(said));
        QCOMPARE(filesBelow(dir.path()), before);
    }

    void aMissingArchiverIsNamed()
    {
        QTemporaryDir dir;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()));
        Widget window;
        window.setf(dir.filePath("a.7z"));
        window.setf(dir.filePath("b.7z"));
        window.unzip();
        qputenv("PATH", path);
        QCOMPARE(window.output->toPlainText(),
                 "The archiver \"7z\" was not found on the search path. Install "
                 "7-Zip (on Debian and Ubuntu the package p7zip-full) and try again.");
    }

    // The opener hands the window its file; the tree lists what is double-clicked, duplicates included;
    // a drop adds its first local file only.
    void theSelectionList()
    {
        QTemporaryDir dir;
        auto *window = qobject_cast<Widget *>(brivo::openTool(brivo::Tool::Archive, "/data/x.tar.gz"));
        QVERIFY(window);
        window->addtoleft(window->fsModel->index(dir.path()));
        window->addtoleft(window->fsModel->index(dir.path()));
        QMimeData textOnly;
        textOnly.setText("no address");
        QVERIFY(!brivo::test::sendDrop(window, &textOnly));
        QVERIFY(!brivo::test::sendDropUrls(window, {QUrl("https://example.org/a.zip")}));
        QVERIFY(brivo::test::sendDropUrls(
            window, {QUrl::fromLocalFile("/d/a b.7z"), QUrl::fromLocalFile("/d/c.7z")}));
        QCOMPARE(window->listModel->stringList(),
                 QStringList({"/data/x.tar.gz", dir.path(), dir.path(), "/d/a b.7z"}));
    }

    // Cancel, or closing the last window (which quits), ends 7z politely: it removes its half archive.
    // Last of all: once the application has quit, no event loop of this program runs again.
    void stoppingInTheMiddle_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::newRow("Cancel") << false;
        QTest::newRow("application quits") << true;
    }
    void stoppingInTheMiddle()
    {
        QFETCH(bool, quit);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("big.bin"), someBytes(24 * 1024 * 1024, 7)));
        const QString archive = dir.filePath("big.7z");
        Widget window;
        window.show();
        window.setf(dir.filePath("big.bin"));
        // The window keeps handling events while 7z works: this timer sees the progress and stops the run.
        bool controlsLocked = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (window.findChild<QLabel *>("progressFile")->text() != "big.bin" || !QFile::exists(archive))
                return;
            watcher.stop();
            controlsLocked = !button(window, "Zip")->isEnabled() && !button(window, "Un Zip")->isEnabled();
            quit ? QCoreApplication::quit() : button(window, "Cancel")->click();
        });
        watcher.start(20);
        ModalAnswerer answers;
        answers.chooseFile(archive);
        bool returned = false;
        // Quitting ends the loops of a running application only, so the run starts inside one.
        QTimer::singleShot(0, &window, [&] {
            window.zip();
            returned = true;
            if (!quit)
                QCoreApplication::quit();
        });
        QCoreApplication::exec();
        QVERIFY(returned && controlsLocked);
        QVERIFY2(window.output->toPlainText().contains("Cancelled."),
                 qPrintable(window.output->toPlainText()));
        QVERIFY(!QFile::exists(archive));
        QVERIFY(!window.isBusy() && button(window, "Zip")->isEnabled());
    }
};

QTEST_MAIN(tst_archivetool)
#include "tst_archivetool.moc"
