// The archive tool's window, driving the real 7z in temporary folders.
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "tests/zip/craftedtar.h"
#include "zip/widget.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using brivo::test::ModalAnswerer;
using brivo::test::readFile;
using brivo::test::TarEntry;
using brivo::test::writeFile;

Q_DECLARE_METATYPE(QList<TarEntry>)

namespace {

QPushButton *button(Widget &window, const QString &text)
{
    const QList<QPushButton *> buttons = window.findChildren<QPushButton *>();
    for (QPushButton *b : buttons) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

QByteArray someBytes(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (char &c : bytes)
        c = static_cast<char>(generator.bounded(256));
    return bytes;
}

// Packs `names` (relative to `folder`) with the real 7z, without the window.
bool packDirectly(const QString &archive, const QString &folder, const QStringList &names)
{
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(folder);
    sevenZip.start("7z", QStringList{"a", "-y", archive, "--"} + names);
    return sevenZip.waitForFinished(60000) && sevenZip.exitCode() == 0;
}

void choosePassword(Widget &window, const QString &password)
{
    if (!window.passwordBox->isChecked())
        window.passwordBox->click();
    window.passwordEdit->setText(password);
}

// Every file below `folder`, as paths relative to it.
QStringList filesBelow(const QString &folder)
{
    QStringList found;
    QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    for (const QFileInfo &info : entries) {
        found << info.fileName();
        if (info.isDir() && !info.isSymLink()) {
            for (const QString &below : filesBelow(info.filePath()))
                found << info.fileName() + '/' + below;
        }
    }
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

    void packAndExtractNamesWithBlanksAndDashes_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("no password") << QString();
        QTest::newRow("password with a blank") << QStringLiteral("open sesame");
    }
    void packAndExtractNamesWithBlanksAndDashes()
    {
        QFETCH(QString, password);
        QTemporaryDir dir;
        const QString source = dir.filePath("source files");
        const QMap<QString, QByteArray> contents = {{"a b.txt", "first file\n"},
                                                    {"c  d.bin", someBytes(5000, 1)},
                                                    {"-dash.txt", "looks like a switch"},
                                                    {"@list.txt", "looks like a list file"}};
        Widget window;
        window.show();
        // Relative names, as a command line hands them over: nothing shields "-dash.txt" but "--".
        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            QVERIFY(writeFile(source + '/' + it.key(), it.value()));
            window.setf(it.key());
        }
        brivo::test::CurrentDirectory inSource(source);
        if (!password.isEmpty())
            choosePassword(window, password);

        const QString archive = dir.filePath("out folder/my archive.7z");
        QVERIFY(QDir().mkpath(dir.filePath("out folder")));
        ModalAnswerer answers;
        answers.chooseFile(archive);
        window.zip();
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.last().title, "Save");
        QCOMPARE(answers.last().text, "7z files (*.7z);;Zip files (*.zip);;Rar files (*.rar)");
        QVERIFY2(QFile::exists(archive), qPrintable(window.output->toPlainText()));
        QVERIFY(window.output->toPlainText().contains("Everything is Ok"));
        QVERIFY(window.output->toPlainText().contains("Exit Code : 0\nExit Status : 0"));
        QCOMPARE(window.password, QString());
        QCOMPARE(window.files.size(), contents.size()); // packing leaves the list alone

        window.dela();
        window.setf(archive);
        if (!password.isEmpty()) {
            window.passwordEdit->setText("wrong");
            window.unzip();
            const QString said = window.output->toPlainText();
            QVERIFY2(said.contains("Wrong password"), qPrintable(said));
            QVERIFY(!said.contains("Everything is Ok"));
            QVERIFY(!said.contains("Exit Code : 0"));
            QCOMPARE(window.password, QString());
            window.passwordEdit->setText(password);
        }
        window.unzip();
        QVERIFY2(window.output->toPlainText().contains("Everything is Ok"), qPrintable(window.output->toPlainText()));
        QVERIFY(window.output->toPlainText().endsWith("Exit Code : 0\nExit Status : 0"));
        for (auto it = contents.cbegin(); it != contents.cend(); ++it)
            QCOMPARE(readFile(dir.filePath("out folder/") + it.key()), it.value());
        QCOMPARE(window.password, QString());
        QCOMPARE(answers.unexpected(), 0);
    }

    void extractsNextToTheArchive_data()
    {
        QTest::addColumn<QString>("place");
        QTest::newRow("top of the folder") << QString();
        QTest::newRow("sub-folder") << QStringLiteral("sub folder/deeper/");
    }
    void extractsNextToTheArchive()
    {
        QFETCH(QString, place);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("make/inside.txt"), "inside"));
        const QString archive = dir.filePath(place + "packed.zip");
        QVERIFY(QDir().mkpath(QFileInfo(archive).path()));
        QVERIFY(packDirectly(archive, dir.filePath("make"), {"inside.txt"}));

        Widget window;
        window.setf(archive);
        window.unzip();
        QCOMPARE(readFile(dir.filePath(place + "inside.txt")), QByteArray("inside"));
    }

    // One failing archive among several is not hidden by the next one's success.
    void everyArchiveOfTheListKeepsItsOutput()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("make/x.txt"), "x"));
        QVERIFY(packDirectly(dir.filePath("good.7z"), dir.filePath("make"), {"x.txt"}));
        QVERIFY(writeFile(dir.filePath("broken.7z"), "this is not an archive"));

        Widget window;
        window.setf(dir.filePath("broken.7z"));
        window.setf(dir.filePath("good.7z"));
        window.unzip();
        const QString said = window.output->toPlainText();
        QVERIFY2(said.contains("broken.7z"), qPrintable(said));
        QVERIFY(said.contains("Exit Code : 2"));
        QVERIFY(said.contains("Everything is Ok"));
        QVERIFY(said.endsWith("Exit Code : 0\nExit Status : 0"));
        QCOMPARE(readFile(dir.filePath("x.txt")), QByteArray("x"));
    }

    void refusedBeforeAnythingRuns()
    {
        QTemporaryDir dir;
        Widget window;
        window.show();
        ModalAnswerer answers;

        window.output->setText("earlier output");
        window.zip();
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.last().title, "Error");
        QCOMPARE(answers.last().text, "No file's to zip");
        QCOMPARE(answers.last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(window.output->toPlainText(), QString());

        const QString emptyPassword =
            "Password checked.But Empty password recieved enter password in textbox or Un check password";
        window.setf(dir.filePath("a.7z"));
        choosePassword(window, QString());
        window.output->setText("earlier output");
        window.unzip();
        QCOMPARE(answers.last().text, emptyPassword);
        QCOMPARE(window.output->toPlainText(), "earlier output");
        window.zip();
        QCOMPARE(answers.last().text, emptyPassword);
        // No save dialog was offered after either box.
        QCOMPARE(answers.seen().size(), 3);
        QVERIFY(!QFile::exists(dir.filePath("a.7z")));
    }

    void cancelDuringALongPack()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("big.bin"), someBytes(24 * 1024 * 1024, 7)));
        const QString archive = dir.filePath("big.7z");
        Widget window;
        window.show();
        window.setf(dir.filePath("big.bin"));

        // While 7z works the window keeps handling events: the timer below runs, sees the progress and
        // presses Cancel.
        QTimer watcher;
        int ticks = 0;
        bool sawProgress = false;
        bool controlsLocked = false;
        auto *bar = window.findChild<QProgressBar *>();
        connect(&watcher, &QTimer::timeout, this, [&] {
            ++ticks;
            if (!window.isBusy() || !bar->isVisible())
                return;
            controlsLocked = !button(window, "Zip")->isEnabled() && !button(window, "Un Zip")->isEnabled();
            if (window.findChild<QLabel *>("progressFile")->text() == "big.bin") {
                sawProgress = true;
                button(window, "Cancel")->click();
                watcher.stop();
            }
        });
        watcher.start(20);

        ModalAnswerer answers;
        answers.chooseFile(archive);
        window.zip();
        QVERIFY(sawProgress);
        QVERIFY(controlsLocked);
        QVERIFY(ticks > 1);
        QVERIFY2(window.output->toPlainText().contains("Cancelled."), qPrintable(window.output->toPlainText()));
        QVERIFY(!window.output->toPlainText().contains("Everything is Ok"));
        QVERIFY(!QFile::exists(archive)); // 7z removes what it had begun
        QVERIFY(!window.isBusy());
        QVERIFY(button(window, "Zip")->isEnabled());
        QVERIFY(!bar->isVisible());
        QCOMPARE(window.password, QString());
    }

    // Nothing an archive holds may land outside the folder it is extracted into.
    void archivesThatWouldWriteOutsideAreRefused_data()
    {
        QTest::addColumn<QList<TarEntry>>("entries");
        QTest::addColumn<QString>("linkOnDisk"); // a link already in the folder, pointing out

        QTest::newRow("../ entries") << QList<TarEntry>{{"ok.txt", "fine", '0', {}},
                                                        {"../escaped.txt", "bad", '0', {}},
                                                        {"sub/../../escaped2.txt", "bad", '0', {}}}
                                     << QString();
        QTest::newRow("absolute entry") << QList<TarEntry>{{"ok.txt", "fine", '0', {}},
                                                           {"@ROOT@/escaped.txt", "bad", '0', {}}}
                                        << QString();
        QTest::newRow("file written through its own link")
            << QList<TarEntry>{{"ok.txt", "fine", '0', {}}, {"up", {}, '2', ".."}, {"up/escaped.txt", "bad", '0', {}}}
            << QString();
        QTest::newRow("file written through a link already there")
            << QList<TarEntry>{{"ok.txt", "fine", '0', {}}, {"away/escaped.txt", "bad", '0', {}}} << "away";
    }
    void archivesThatWouldWriteOutsideAreRefused()
    {
        QFETCH(QList<TarEntry>, entries);
        QFETCH(QString, linkOnDisk);
        QTemporaryDir dir;
        const QString root = dir.path();
        const QString folder = root + "/inner";
        QVERIFY(QDir().mkpath(folder));
        for (TarEntry &entry : entries)
            entry.name.replace("@ROOT@", QFile::encodeName(root));
        const QString archive = folder + "/evil.tar";
        QVERIFY(writeFile(archive, brivo::test::tarArchive(entries)));
        if (!linkOnDisk.isEmpty())
            QVERIFY(QFile::link(root, folder + '/' + linkOnDisk));
        const QStringList before = filesBelow(root);

        Widget window;
        window.setf(archive);
        window.unzip();

        const QString said = window.output->toPlainText();
        QVERIFY2(said.contains("Not extracted: " + archive), qPrintable(said));
        QVERIFY(said.contains("escaped"));
        QCOMPARE(filesBelow(root), before);
        QCOMPARE(QStringList(filesBelow(root).filter("escaped")), QStringList());
    }

    void aMissingArchiverIsNamed()
    {
        QTemporaryDir dir;
        QTemporaryDir emptyFolder;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(emptyFolder.path()));
        Widget window;
        window.setf(dir.filePath("a.7z"));
        window.setf(dir.filePath("b.7z"));
        window.unzip();
        const QString unzipSaid = window.output->toPlainText();
        ModalAnswerer answers;
        answers.chooseFile(dir.filePath("new.7z"));
        window.zip();
        const QString zipSaid = window.output->toPlainText();
        qputenv("PATH", path);

        QCOMPARE(unzipSaid, "The archiver \"7z\" was not found on the search path. Install 7-Zip (on Debian and "
                            "Ubuntu the package p7zip-full) and try again.");
        QCOMPARE(zipSaid, unzipSaid);
        QVERIFY(!window.isBusy());
    }

    void theSelectionList()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("one.txt"), "1"));
        Widget window;
        window.show();
        QVERIFY(window.listView->editTriggers() == QAbstractItemView::NoEditTriggers);

        const QModelIndex fileIndex = window.fsModel->index(dir.filePath("one.txt"));
        const QModelIndex folderIndex = window.fsModel->index(dir.path());
        window.addtoleft(fileIndex);
        window.addtoleft(fileIndex);
        window.addtoleft(folderIndex);
        window.setf("unchecked path");
        const QStringList expected = {dir.filePath("one.txt"), dir.filePath("one.txt"), dir.path(),
                                      "unchecked path"};
        QCOMPARE(window.files, expected);
        QCOMPARE(window.listModel->stringList(), expected);

        window.listView->setCurrentIndex(QModelIndex());
        window.dele();
        QCOMPARE(window.listModel->stringList(), expected);
        window.listView->setCurrentIndex(window.listModel->index(1));
        window.dele();
        QCOMPARE(window.files, (QStringList{dir.filePath("one.txt"), dir.path(), "unchecked path"}));
        QCOMPARE(window.listModel->stringList(), window.files);
        window.dela();
        QCOMPARE(window.files, QStringList());
        QCOMPARE(window.listModel->rowCount(), 0);
    }

    void thePasswordField()
    {
        Widget window;
        window.show();
        QVERIFY(!window.passwordEdit->isVisible());
        QCOMPARE(window.passwordEdit->echoMode(), QLineEdit::Normal);
        window.passwordBox->click();
        QVERIFY(window.passwordEdit->isVisible());
        QCOMPARE(window.passwordEdit->text(), QString());
        window.passwordEdit->setText("typed");
        window.password = "taken";
        window.passwordBox->click();
        QVERIFY(!window.passwordBox->isChecked());
        QVERIFY(!window.passwordEdit->isVisible());
        QCOMPARE(window.passwordEdit->text(), QString());
        QCOMPARE(window.password, QString());
    }

    void drops()
    {
        Widget window;
        window.show();
        QMimeData textOnly;
        textOnly.setText("no address here");
        QVERIFY(!brivo::test::sendDrop(&window, &textOnly));
        QVERIFY(!brivo::test::sendDropUrls(&window, {QUrl("https://example.org/a.zip")}));
        QCOMPARE(window.files, QStringList());

        QVERIFY(brivo::test::sendDropUrls(&window, {QUrl::fromLocalFile("/data/a b.7z"),
                                                    QUrl::fromLocalFile("/data/second.zip")}));
        QCOMPARE(window.files, QStringList{"/data/a b.7z"});
        QCOMPARE(window.listModel->stringList(), window.files);
        QVERIFY(window.isVisible()); // the window stays; the drop only adds to the list
    }

    void opensWithTheFileItIsGiven()
    {
        auto *window = qobject_cast<Widget *>(brivo::openTool(brivo::Tool::Archive, "/data/x.tar.gz"));
        QVERIFY(window);
        QCOMPARE(window->files, QStringList{"/data/x.tar.gz"});
        QCOMPARE(window->windowTitle(), "Brivo : Zip - K.VARDEN ");
        auto *empty = qobject_cast<Widget *>(brivo::openTool(brivo::Tool::Archive, QString()));
        QVERIFY(empty);
        QCOMPARE(empty->files, QStringList());
    }
};

QTEST_MAIN(tst_archivetool)
#include "tst_archivetool.moc"
