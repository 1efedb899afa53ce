// Runs from the Build menu against a temporary tool root whose commands record what they were given;
// the Java class-name dialog, the linker settings window and the run output pane.
#include "ide/ide.h"
#include "ide/languagetable.h"
#include "ide/runoutputpane.h"
#include "platform/toolroot.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using brivo::Language;
using brivo::test::ModalAnswerer;
using brivo::test::readFile;

namespace {

// Stands in for the desktop's browser.
class PageOpener : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

QTextEdit *editorOf(ide &w)
{
    return w.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

QString onDisk(const char *toolRootPath)
{
    return brivo::mapToolRootPath(QLatin1String(toolRootPath));
}

void pressButton(QWidget *window)
{
    window->findChild<QPushButton *>()->click();
}

} // namespace

class tst_ideruns : public QObject
{
    Q_OBJECT
    std::unique_ptr<brivo::test::TemporaryToolRoot> m_root;
    std::unique_ptr<brivo::test::CurrentDirectory> m_cwd;

    QString record(const QString &name) const { return m_root->path() + QStringLiteral("/record/") + name; }

    // A command that notes where it ran and what its source file held, and prints to both streams.
    QByteArray recorder(const QString &tag, const QString &source) const
    {
        return QStringLiteral("pwd > '%1.cwd'\ncat '%2' > '%1.source'\necho out:%3\necho err:%3 >&2\nexit 7\n")
            .arg(record(tag), source, tag)
            .toUtf8();
    }

private slots:
    void init()
    {
        // The folders in the spelling of the source paths, which differs from the checks' ("IDE/PERL").
        m_root = std::make_unique<brivo::test::TemporaryToolRoot>();
        m_cwd = std::make_unique<brivo::test::CurrentDirectory>(m_root->path());
        m_root->makeFolder(QStringLiteral("record"));
        int count = 0;
        const brivo::LanguageRun *runs = brivo::languageRuns(&count);
        for (const brivo::LanguageRun *run = runs; run != runs + count; ++run) {
            QDir().mkpath(QFileInfo(onDisk(run->sourceFile) + QLatin1Char('x')).path());
            if (run->language == Language::Batch || run->opensPage)
                continue;
            // "gcbat" is completed to "gcbat.sh"; "pythone" is found as it is.
            const QString command = onDisk(run->command) + (run->language == Language::CCpp ? ".sh" : "");
            const char *source = run->language == Language::Java ? brivo::javaNameFile : run->sourceFile;
            QVERIFY(brivo::test::writeFile(
                command, recorder(QString::fromLatin1(run->statusName).remove('/'), onDisk(source))));
        }
    }
    void cleanup()
    {
        brivo::test::closeAllWindows();
        m_cwd.reset();
        m_root.reset();
    }

    void runWritesTheSourceThenRunsTheCommand_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QByteArray>("slot");
        QTest::newRow("C/C++") << Language::CCpp << QByteArray("on_actionC_triggered");
        QTest::newRow("Python") << Language::Python << QByteArray("on_actionPython_triggered");
        QTest::newRow("Perl") << Language::Perl << QByteArray("on_actionPerl_triggered");
        QTest::newRow("Ruby") << Language::Ruby << QByteArray("on_actionRuby_triggered");
        QTest::newRow("Lisp") << Language::Lisp << QByteArray("on_actionLisp_triggered");
        QTest::newRow("Batch") << Language::Batch << QByteArray("on_actionBatch_triggered");
        QTest::newRow("Go") << Language::Go << QByteArray("on_actionGo_triggered");
        QTest::newRow("Assembly") << Language::Assembly << QByteArray("on_actionAssembly_triggered");
        QTest::newRow("Lua") << Language::Lua << QByteArray("on_actionLua_triggered");
    }
    void runWritesTheSourceThenRunsTheCommand()
    {
        QFETCH(Language, language);
        QFETCH(QByteArray, slot);
        const brivo::LanguageRun &run = brivo::languageRun(language);
        const QString tag = QString::fromLatin1(run.statusName).remove('/');
        ModalAnswerer answerer;
        ide w;
        w.openFile(QStringLiteral("/nowhere/current.txt"));
        // Batch runs the text itself, so there the text is the recorder.
        const QByteArray text = language == Language::Batch ? recorder(tag, onDisk(run.sourceFile))
                                                            : QByteArray("int main() { // grüß\n}\n");
        editorOf(w)->setPlainText(QString::fromUtf8(text));
        QVERIFY(QMetaObject::invokeMethod(&w, slot.constData()));

        QCOMPARE(readFile(onDisk(run.sourceFile)), text);
        QCOMPARE(readFile(record(tag + QStringLiteral(".source"))), text); // written and closed beforehand
        QCOMPARE(readFile(record(tag + QStringLiteral(".cwd"))).trimmed(), QFile::encodeName(m_root->path()));
        const QString output = w.outputPane()->text();
        QVERIFY2(output.contains(QStringLiteral("out:") + tag) && output.contains(QStringLiteral("err:") + tag) &&
                     output.contains(QLatin1String("Exit code 7 after ")),
                 qPrintable(output));
        QVERIFY(w.outputPane()->isVisibleTo(&w));
        QVERIFY(w.statusLabel->text().startsWith(QStringLiteral("Brivo : Last Compiled ") + run.statusName +
                                                 QStringLiteral("-Source on ")));
        QVERIFY(w.statusLabel->text().endsWith(QLatin1Char('\n')));
        QVERIFY(w.statusLabel->styleSheet().isEmpty());
        QCOMPARE(w.fileName, QStringLiteral("/nowhere/current.txt"));
        QCOMPARE(answerer.seen().size(), 0);

        // With the working directory elsewhere the run is refused, though the tool root has the language.
        QFile::remove(onDisk(run.sourceFile));
        QTemporaryDir elsewhere;
        brivo::test::CurrentDirectory cwd(elsewhere.path());
        answerer.press(QMessageBox::Ok);
        QVERIFY(QMetaObject::invokeMethod(&w, slot.constData()));
        QCOMPARE(answerer.last().title, QStringLiteral("Error"));
        QCOMPARE(answerer.last().text, QLatin1String(run.missingMessage));
        QVERIFY(!QFile::exists(onDisk(run.sourceFile)));
    }

    void htmlOpensTheWrittenPage()
    {
        PageOpener opener;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
        ide w;
        editorOf(w)->setPlainText(QStringLiteral("<h1>Hi</h1>"));
        w.on_actionHtml_triggered();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        const QString page = onDisk(brivo::languageRun(Language::Html).sourceFile);
        QCOMPARE(readFile(page), QByteArray("<h1>Hi</h1>"));
        QCOMPARE(opener.opened, QList<QUrl>{QUrl::fromLocalFile(page)});
    }

    void unwritableSourceRunsNothing()
    {
        const QString source = onDisk(brivo::languageRun(Language::CCpp).sourceFile);
        QDir().mkpath(source); // a folder where the source file should go
        ModalAnswerer answerer;
        answerer.press(QMessageBox::Ok);
        ide w;
        w.on_actionC_triggered();
        QCOMPARE(answerer.last().title, QStringLiteral("Error"));
        QVERIFY(answerer.last().text.contains(source));
        QVERIFY(!QFile::exists(record(QStringLiteral("CC++.cwd"))));
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Brivo : "));
    }

    void outputPaneTakesInputAndStops()
    {
        ide w;
        w.show();
        editorOf(w)->setPlainText(QStringLiteral("read line\necho got:$line\n"));
        QTimer::singleShot(100, &w, [&w] {
            auto *input = w.findChild<QLineEdit *>(QStringLiteral("outputInput"));
            QTest::keyClicks(input, QStringLiteral("hello"));
            QTest::keyClick(input, Qt::Key_Return);
        });
        w.on_actionBatch_triggered();
        QVERIFY2(w.outputPane()->text().contains(QLatin1String("got:hello")), qPrintable(w.outputPane()->text()));

        // A long run: the Build menu rests, a second run is refused, Stop ends it and only then the slot returns.
        editorOf(w)->setPlainText(QStringLiteral("echo started\nsleep 60\n"));
        auto *build = w.findChild<QMenu *>(QStringLiteral("menuBuild"));
        bool menuRested = false;
        QTimer::singleShot(300, &w, [&] {
            menuRested = !build->isEnabled();
            w.on_actionBatch_triggered();
            w.findChild<QPushButton *>(QStringLiteral("outputStop"))->click();
        });
        QElapsedTimer clock;
        clock.start();
        w.on_actionBatch_triggered();
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(menuRested && build->isEnabled());
        const QString output = w.outputPane()->text();
        QVERIFY2(output.count(QLatin1String("started")) == 1 && output.contains(QLatin1String("Stopped after")),
                 qPrintable(output));
    }

    void javaAsksForTheClassFileName()
    {
        ModalAnswerer answerer;
        ide w;
        editorOf(w)->setPlainText(QStringLiteral("class Hello {}\n"));
        w.on_actionJava_triggered();
        QWidget *dialog = w.javaWin;
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->size(), QSize(410, 150));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QLayout *layout = dialog->layout();
        QCOMPARE(layout->count(), 4);
        QCOMPARE(qobject_cast<QLabel *>(layout->itemAt(0)->widget())->text(), QStringLiteral("Exmaple : a.java"));
        QCOMPARE(layout->itemAt(1)->widget(), w.classEdit.data());
        QCOMPARE(layout->itemAt(2)->widget(), w.rememberBox.data());
        QCOMPARE(qobject_cast<QPushButton *>(layout->itemAt(3)->widget())->size(), QSize(60, 30));

        // Empty and unsafe names are refused; nothing is written and the dialog stays.
        for (const QString &bad : {QString(), QStringLiteral("../../Evil.java"), QStringLiteral("a\nb.java")}) {
            w.classEdit->setPlainText(bad);
            answerer.press(QMessageBox::Ok);
            pressButton(dialog);
            QCOMPARE(answerer.last().text, QStringLiteral("Not a valid class name"));
            QVERIFY(dialog->isVisible());
        }
        QVERIFY(!QFile::exists(onDisk(brivo::javaNameFile)));
        QVERIFY(!QFile::exists(m_root->path() + QStringLiteral("/Evil.java")));

        w.classEdit->setPlainText(QStringLiteral("Hello.java"));
        pressButton(dialog);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(readFile(onDisk("c:/Brivo/Ide/jdk/bin/Hello.java")), QByteArray("class Hello {}\n"));
        QCOMPARE(readFile(record(QStringLiteral("Java.source"))), QByteArray("Hello.java")); // this.txt
        QVERIFY(w.outputPane()->text().contains(QLatin1String("out:Java")));
        QVERIFY(w.statusLabel->text().startsWith(QLatin1String("Brivo : Last Compiled Java-Source on ")));

        // Not remembered: a new dialog. Remembered: later runs go straight on. Cleared: a new dialog again.
        w.on_actionJava_triggered();
        QVERIFY(w.javaWin != dialog && w.javaWin->isVisible() && w.classEdit->toPlainText().isEmpty());
        w.classEdit->setPlainText(QStringLiteral("Prog"));
        w.rememberBox->setChecked(true);
        pressButton(w.javaWin);
        QFile::remove(onDisk(brivo::javaNameFile));
        editorOf(w)->setPlainText(QStringLiteral("class Prog {}\n"));
        w.on_actionJava_triggered();
        QCOMPARE(brivo::test::visibleWindows<QWidget>().size(), 0);
        QCOMPARE(readFile(onDisk(brivo::javaNameFile)), QByteArray("Prog"));
        QCOMPARE(readFile(onDisk("c:/Brivo/Ide/jdk/bin/Prog")), QByteArray("class Prog {}\n"));
        w.on_actionClear_Java_CLass_Name_triggered();
        w.on_actionJava_triggered();
        QVERIFY(w.javaWin->isVisible() && !w.rememberBox->isChecked() && w.classEdit->toPlainText().isEmpty());
        QCOMPARE(answerer.unexpected(), 0);
    }

    void eachJavaDialogRunsItsOwnName()
    {
        ide w;
        w.on_actionJava_triggered();
        QPointer<QWidget> older = w.javaWin;
        w.classEdit->setPlainText(QStringLiteral("Older.java"));
        w.on_actionJava_triggered();
        w.classEdit->setPlainText(QStringLiteral("Newer.java"));
        // The JDK folder is checked when the menu entry is chosen, not again on "Run".
        QDir(m_root->path() + QStringLiteral("/Ide")).rename(QStringLiteral("jdk"), QStringLiteral("JDK"));
        pressButton(older);
        QCOMPARE(readFile(onDisk(brivo::javaNameFile)), QByteArray("Older.java"));
        QVERIFY(!older->isVisible());
        QCOMPARE(brivo::test::visibleWindows<QWidget>().size(), 1); // the newer dialog stays
    }

    void linkerSettingsRoundTrip()
    {
        ModalAnswerer answerer;
        ide w;
        const QString link = onDisk("C:/Brivo/Ide/CCPP/bin/link.txt");
        w.on_actionC_C_Linker_triggered(); // no file yet: an empty field
        QCOMPARE(w.linkWin->windowTitle(), QStringLiteral("Brivo : Linker"));
        QVERIFY(w.linkEdit->toPlainText().isEmpty());
        w.linkEdit->setPlainText(QStringLiteral("-lm\n-lpthread"));
        pressButton(w.linkWin);
        QVERIFY(!w.linkWin->isVisible());
        QCOMPARE(readFile(link), QByteArray("-lm\n-lpthread"));

        // A file written elsewhere keeps its line ends and encoding.
        QVERIFY(brivo::test::writeFile(link, "-L/opt/caf\xE9\r\n-lm\r\n"));
        w.on_actionC_C_Linker_triggered();
        QCOMPARE(w.linkEdit->toPlainText(), QStringLiteral("-L/opt/caf\u00e9\n-lm\n"));
        QPointer<QWidget> older = w.linkWin;
        w.linkEdit->setPlainText(w.linkEdit->toPlainText() + QStringLiteral("-lz\n"));
        // A failed save keeps the window open with its text.
        QFile::remove(link);
        QDir().mkdir(link);
        answerer.press(QMessageBox::Ok);
        pressButton(older);
        QCOMPARE(answerer.last().title, QStringLiteral("Error"));
        QVERIFY(older->isVisible());
        QDir().rmdir(link);

        // Save in an older window stores that window's text, whatever was opened since.
        w.on_actionC_C_Linker_triggered();
        QPointer<QWidget> newer = w.linkWin;
        pressButton(older);
        QCOMPARE(readFile(link), QByteArray("-L/opt/caf\xE9\r\n-lm\r\n-lz\r\n"));
        QVERIFY(!older->isVisible() && newer->isVisible());
        QCOMPARE(answerer.unexpected(), 0);
    }
};

QTEST_MAIN(tst_ideruns)
#include "tst_ideruns.moc"
