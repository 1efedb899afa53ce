// The code editor: its window and files, its runs in a tool root of recording commands, its text area, and
// the toolchain set-up.
#include "app/toolopeners.h"
#include "ide/codeedit.h"
#include "ide/ide.h"
#include "ide/languagetable.h"
#include "ide/runoutputpane.h"
#include "ide/syntaxtable.h"
#include "ide/toolchainsetup.h"
#include "ide/toolchainsetupdialog.h"
#include "platform/commandprocess.h"
#include "platform/toolroot.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QtTest>
#include <QtWidgets>

#include <array>

using brivo::Language;
using brivo::test::ModalAnswerer;
using brivo::test::readFile;
using brivo::test::writeFile;

namespace {

// A search path that holds exactly `programs`.
brivo::ProgramFinder findOnly(const QStringList &programs)
{
    return [programs](const QString &program) {
        return programs.contains(program) ? QStringLiteral("/opt/bin/") + program : QString();
    };
}

// The kind of every character of `lines` scanned in order, ' ' where nothing applies, one string per line.
QStringList kindsOf(const QString &fileName, const QStringList &lines)
{
    const brivo::SyntaxRules *rules = brivo::syntaxForFile(fileName);
    if (!rules)
        return {};
    const brivo::SyntaxScanner scanner(*rules);
    QStringList result;
    int state = 0;
    for (const QString &line : lines) {
        QString kinds(line.size(), QLatin1Char(' '));
        for (const brivo::SyntaxSpan &span : scanner.scan(line, state, &state))
            for (int i = span.start; i < span.start + span.length; ++i)
                kinds[i] = QLatin1String("ksc#")[int(span.kind)];
        result.append(kinds);
    }
    return result;
}

// The kinds under the characters of `text` in `kinds`, or "?" when `text` is not in `line`.
QString kindsAt(const QString &line, const QString &kinds, const QString &text)
{
    const qsizetype at = line.indexOf(text);
    return at < 0 ? QStringLiteral("?") : kinds.mid(at, text.size());
}

} // namespace

class tst_ide : public QObject
{
    Q_OBJECT
    std::unique_ptr<brivo::test::TemporaryToolRoot> m_root;
    std::unique_ptr<brivo::test::CurrentDirectory> m_cwd;
    std::unique_ptr<ModalAnswerer> m_modal; // answers the boxes and dialogs a test expects, and counts others

    QString path(const QString &name) const { return m_root->path() + QLatin1Char('/') + name; }
    QString ideFile(const QString &name) const { return path(QStringLiteral("Ide/") + name); }
    QString record(const QString &name) const { return path(QStringLiteral("record/") + name); }
    // A command that notes where it ran and what its source file held, and prints to both streams.
    QByteArray recorder(const QString &tag, const QString &source) const
    {
        return QStringLiteral("pwd >'%1.cwd'\ncat '%2' >'%1.source'\necho out:%3\necho err:%3 >&2\nexit 7\n")
            .arg(record(tag), source, tag)
            .toUtf8();
    }

    static QPlainTextEdit *editorOf(ide &w)
    {
        return w.findChild<QPlainTextEdit *>(QStringLiteral("textEdit"));
    }
    static QString status(const ide &w) { return w.statusLabel->text() + '|' + w.statusLabel->styleSheet(); }
    static void pressButton(QWidget *window) { window->findChild<QPushButton *>()->click(); }
    static void type(ide &w, const QString &text) { editorOf(w)->insertPlainText(text); } // at the cursor
    // Waits until the window's run (if one started) has ended and reported.
    static bool runEnded(ide &w)
    {
        QDeadlineTimer deadline(20000);
        while (w.outputPane()->isRunning() && !deadline.hasExpired())
            QTest::qWait(10);
        return !w.outputPane()->isRunning();
    }

private slots:
    void init()
    {
        // The language folders as the tool root lays them out, which the checks spell otherwise ("IDE/PERL").
        m_root = std::make_unique<brivo::test::TemporaryToolRoot>();
        m_cwd = std::make_unique<brivo::test::CurrentDirectory>(m_root->path());
        m_modal = std::make_unique<ModalAnswerer>();
        for (const char *folder :
             {"record", "Ide/CCPP/bin", "Ide/Python", "Ide/Perl/bin", "Ide/Ruby/bin", "Ide/Lisp", "Ide/batch",
              "Ide/Html", "Ide/Go/bin", "Ide/Assembly", "Ide/lua"})
            m_root->makeFolder(QLatin1String(folder));
        QVERIFY(writeFile(ideFile("jdk/bin/comj.bat"), recorder("Java", ideFile("jdk/bin/this.txt"))));
    }
    void cleanup()
    {
        QCOMPARE(m_modal->unexpected(), 0);
        brivo::test::closeAllWindows();
        m_cwd.reset();
        m_root.reset();
    }

    void filesStatusAndTheCloseQuestion()
    {
        ide w;
        QCOMPARE(status(w), QStringLiteral("Brivo : |"));
        w.on_actionNew_triggered();
        QCOMPARE(status(w), QStringLiteral("Brivo : New Unsaved|color:blue;"));
        type(w, QStringLiteral("int main() {}\n"));
        QCOMPARE(status(w), QStringLiteral("Saved : |color:red;"));
        // Save on a new document, cancelled or failing, leaves it unnamed and changed; the window then stays
        // open when closing asks for a name and that dialog is cancelled.
        m_modal->cancel();
        w.on_actionSave_triggered();
        QCOMPARE(m_modal->last().title, QStringLiteral("Brivo : Save file name"));
        m_modal->chooseFile(path("gone/first.cpp"));
        m_modal->press(QMessageBox::Ok);
        w.on_actionSave_triggered();
        QVERIFY(m_modal->last().title == "Error" && m_modal->last().text.contains(path("gone")) &&
                w.fileName.isEmpty() && status(w) == "Saved : |color:red;");
        w.show();
        m_modal->press(QMessageBox::Save);
        m_modal->cancel();
        QVERIFY(!w.close());
        const QString first = path("first.cpp");
        m_modal->chooseFile(first);
        w.on_actionSave_triggered();
        QVERIFY(status(w) == "Saved : " + first + "|color:green;" && readFile(first) == "int main() {}\n");

        // Save As writes a copy; the current file and the status stay.
        type(w, QStringLiteral("// more\n"));
        m_modal->chooseFile(path("copy.cpp"));
        w.on_actionSave_As_triggered();
        QVERIFY(readFile(path("copy.cpp")) == "int main() {}\n// more\n" && w.fileName == first &&
                status(w) == "Saved : " + first + "|color:red;");

        // Open asks first, then shows HTML-looking text as source (byte-for-byte saves are the notepad's:
        // both editors save through saveTextDocument).
        writeFile(path("round.txt"), "<html><b>caf\xE9</b>\r\n");
        type(w, QStringLiteral("dropped"));
        m_modal->press(QMessageBox::Discard);
        m_modal->chooseFile(path("round.txt"));
        w.on_actionOpen_triggered();
        QVERIFY(m_modal->last().title == "Brivo : Open A File" &&
                status(w) == "Opened : " + path("round.txt") + "|color:blue;");
        QCOMPARE(editorOf(w)->toPlainText(), QStringLiteral("<html><b>caf\u00e9</b>\n"));

        // A new name opens empty; Cancel keeps everything, on New, Open (no dialog follows) and Exit alike.
        const QString file = path("close.cpp");
        w.openFile(file);
        type(w, QStringLiteral("kept"));
        for (const char *action : {"actionNew", "actionOpen", "actionExit"}) {
            m_modal->press(QMessageBox::Cancel);
            w.findChild<QAction *>(action)->trigger();
        }
        QVERIFY(w.isVisible() && editorOf(w)->toPlainText() == "kept" &&
                m_modal->last().informativeText == "Do you want to save your changes?");

        // A save that fails is reported and keeps the window open with its text marked as changed.
        QDir().mkdir(file);
        m_modal->press(QMessageBox::Save);
        m_modal->press(QMessageBox::Ok);
        QVERIFY(!w.close() && m_modal->last().title == "Error" && m_modal->last().text.contains(file));
        QCOMPARE(status(w), "Saved : " + file + "|color:red;");
        // Something that cannot be read is not opened, and does not become the current file.
        m_modal->press(QMessageBox::Ok);
        w.openFile(m_root->path());
        QVERIFY(m_modal->last().title == "Error" && w.fileName == file);
        QDir().rmdir(file);
        m_modal->press(QMessageBox::Save);
        QVERIFY(w.close() && readFile(file) == "kept");
    }

    // Rows are named as the status line names the language; "gcbat" becomes "gcbat.sh", "pythone" stays.
    void runWritesTheSourceThenRunsTheCommand_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("command");
        const char *rows[][4] = {{"C/C++", "No C/C++ compiler found ", "CCPP/bin/a.cpp", "CCPP/bin/gcbat.sh"},
                                 {"Python", "No PYTHON found ", "Python/python.py", "Python/pythone"},
                                 {"Perl", "No PERL found ", "Perl/bin/perl.txt", "Perl/bin/perlb.bat"},
                                 {"Ruby", "No RUBY found ", "Ruby/bin/ruby.txt", "Ruby/bin/rubyx.bat"},
                                 {"Lisp", "No Lisp found ", "Lisp/lisp.txt", "Lisp/lispx.bat"},
                                 {"Batch", "No Batch found ", "batch/batch.bat", "batch/batch.bat"},
                                 {"Go", "No Go compilers found ", "Go/bin/a.go", "Go/bin/a.bat"},
                                 {"Assembly", "No Assemblers found ", "Assembly/x.asm", "Assembly/ax.bat"},
                                 {"Lua", "No compiler for LUA found ", "lua/lua.lua", "lua/lua.bat"}};
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
    }
    void runWritesTheSourceThenRunsTheCommand()
    {
        QFETCH(QString, missing);
        QFETCH(QString, source);
        QFETCH(QString, command);
        const QString language = QTest::currentDataTag(), tag = QString(language).remove('/');
        // Batch runs the text itself, so there the text is the recorder.
        const QByteArray script = recorder(tag, ideFile(source));
        const QByteArray text = source == command ? script : QByteArray("int main() { // grüß\n}\n");
        QVERIFY(source == command || writeFile(ideFile(command), script));
        // Started in another folder: the language is found in the tool root, the command runs from here.
        brivo::test::CurrentDirectory cwd(path("record"));
        ide w;
        QAction *action = w.findChild<QAction *>("action" + language.section('/', 0, 0));
        editorOf(w)->setPlainText(QString::fromUtf8(text));
        // A source file that cannot be written runs nothing: the command would run stale code.
        QDir().mkpath(ideFile(source));
        m_modal->press(QMessageBox::Ok);
        action->trigger();
        QVERIFY(m_modal->last().title == "Error" && m_modal->last().text.contains(ideFile(source)));
        QVERIFY(!QFile::exists(record(tag + ".cwd")) && status(w).startsWith("Saved : "));
        QDir().rmdir(ideFile(source));

        action->trigger();
        QVERIFY(runEnded(w));
        // The source file, written and closed beforehand.
        QVERIFY(readFile(record(tag + ".source")) == text &&
                readFile(record(tag + ".cwd")).trimmed() == QFile::encodeName(path("record")));
        const QString output = w.outputPane()->text();
        QVERIFY2(output.contains("out:" + tag) && output.contains("err:" + tag) &&
                     output.contains("Ended with exit code 7 after "),
                 qPrintable(output));
        QVERIFY(w.outputPane()->isVisibleTo(&w) && w.fileName.isNull()); // the document keeps its name
        // The time in ctime's layout (the day padded with a blank, the line feed kept); no colour.
        QVERIFY(status(w).startsWith("Brivo : Last Compiled " + language + "-Source on ") &&
                status(w).contains(
                    QRegularExpression("on \\w{3} \\w{3} [ 1-3]\\d \\d\\d(:\\d\\d){2} \\d{4}\n\\|$")));

        // Without the language's folder in either place, the run is refused and writes nothing.
        QFile::remove(ideFile(source));
        QVERIFY(QDir(ideFile(source.section('/', 0, 0))).removeRecursively());
        m_modal->press(QMessageBox::Ok);
        action->trigger();
        QVERIFY(m_modal->last().title == "Error" && m_modal->last().text == missing &&
                !QFile::exists(ideFile(source)));
    }

    void htmlAndBatchRunsOutsideTheTable()
    {
        QTextBrowser browser; // stands in for the desktop's browser
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "setSource");
        ide w;
        w.show();
        editorOf(w)->setPlainText(QStringLiteral("<h1>Hi</h1>"));
        w.on_actionHtml_triggered();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QVERIFY(readFile(ideFile("Html/html.html")) == "<h1>Hi</h1>" &&
                browser.source() == QUrl::fromLocalFile(ideFile("Html/html.html")));

        // A long Batch run starts and the slot returns; the window shows that it runs, Build rests (no second
        // run), input reaches the program, Stop ends it; another editor's run is its own and goes on.
        QVERIFY(writeFile(ideFile("Python/pythone"), "echo B-started\nsleep 60\n"));
        ide other;
        other.on_actionPython_triggered();
        editorOf(w)->setPlainText(QStringLiteral("echo started\nread line\necho got:$line\nsleep 60\n"));
        auto *build = w.findChild<QMenu *>(QStringLiteral("menuBuild"));
        auto *dock = w.findChild<QDockWidget *>(QStringLiteral("outputDock"));
        auto *busy = w.findChild<QProgressBar *>(QStringLiteral("outputBusy"));
        w.on_actionBatch_triggered();
        QVERIFY(w.outputPane()->isRunning() && !build->isEnabled() && busy->isVisibleTo(&w) &&
                dock->windowTitle() == "Output (running)");
        w.on_actionBatch_triggered();
        QTRY_VERIFY(w.outputPane()->text().contains("started"));
        QTest::keyClicks(w.findChild<QLineEdit *>("outputInput"), QStringLiteral("hello\r"));
        QTRY_VERIFY(w.outputPane()->text().contains("got:hello"));
        w.findChild<QPushButton *>("outputStop")->click();
        QVERIFY(runEnded(w));
        QVERIFY(build->isEnabled() && !busy->isVisibleTo(&w) && dock->windowTitle() == "Output");
        const QString output = w.outputPane()->text();
        QVERIFY2(output.count("started") == 1 && output.contains("Stopped after"), qPrintable(output));
        QTRY_VERIFY(other.outputPane()->isRunning() && other.outputPane()->text().contains("B-started"));
        QVERIFY(!output.contains("B-") && !other.outputPane()->text().contains("got:"));
    }

    // A program that prints without end and without line breaks fills neither the memory nor one line:
    // long lines are broken, and every character arrives.
    void outputPaneBreaksRunawayLines()
    {
        RunOutputPane pane;
        QSignalSpy finished(&pane, &RunOutputPane::finished);
        QVERIFY(pane.start(QStringLiteral("flood"),
                           QStringLiteral("head -c 300000 /dev/zero | tr '\\0' x; echo; echo end; exit 5")));
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().first().toInt(), 5);
        const QStringList lines = pane.text().split('\n');
        qsizetype longest = 0, printed = 0;
        for (const QString &line : lines) {
            longest = std::max(longest, line.size());
            if (!line.isEmpty() && line.count('x') == line.size())
                printed += line.size();
        }
        QVERIFY2(longest <= 4096, qPrintable(QString::number(longest)));
        QCOMPARE(printed, 300000);
        QVERIFY(lines.contains("end"));
    }

    // Places in compiler and interpreter messages; a time of day or a bare word before a colon is none.
    void outputLocationsAreFound()
    {
        const auto found = [](const QString &line) {
            QStringList places;
            for (const brivo::OutputLocation &location : brivo::findOutputLocations(line))
                places.append(QStringLiteral("%1|%2|%3|%4")
                                  .arg(line.mid(location.start, location.length), location.file)
                                  .arg(location.line)
                                  .arg(location.column));
            return places.join(' ');
        };
        // (g++'s "a.cpp:2:12:" and Python's "File ..., line 2" are clickedMessagesMoveTheEditor's.)
        QCOMPARE(found("/tmp/x.py:3: SyntaxWarning: bad"), "/tmp/x.py:3:|/tmp/x.py|3|1");
        QCOMPARE(found("C:/src/m.go:10:2: undefined: y"), "C:/src/m.go:10:2:|C:/src/m.go|10|2");
        QCOMPARE(found("ran at 12:30:45: done; main.c: In function 'main':; x.c:0: no"), "");
    }

    // A clicked place in a real compiler's or interpreter's message moves the editor there when it is the
    // file the run wrote, and opens any other file in a new code editor at that line.
    void clickedMessagesMoveTheEditor()
    {
        if (QStandardPaths::findExecutable("g++").isEmpty() ||
            QStandardPaths::findExecutable("python3").isEmpty())
            QSKIP("needs g++ and python3");
        const QString header = path("lib/other.h");
        QVERIFY(writeFile(header, "// a header\n\nint broken(\n"));
        QVERIFY(
            writeFile(ideFile("CCPP/bin/gcbat.sh"), "cd \"$(dirname \"$0\")\" && g++ -fsyntax-only a.cpp\n"));
        QVERIFY(writeFile(ideFile("Python/pythone"), "python3 \"$(dirname \"$0\")/python.py\"\n"));
        ide w;
        w.show();
        auto *output = w.outputPane()->findChild<QPlainTextEdit *>("outputText");
        const auto click = [&](const QString &text) {
            const QTextCursor found = output->document()->find(text);
            if (found.isNull())
                return false;
            QTextCursor inside(output->document());
            inside.setPosition(found.selectionStart() + 2);
            QTest::mouseClick(output->viewport(), Qt::LeftButton, {}, output->cursorRect(inside).center());
            return true;
        };
        const auto cursorAt = [&](int line, int column) {
            const QTextCursor cursor = editorOf(w)->textCursor();
            return cursor.blockNumber() + 1 == line && cursor.positionInBlock() + 1 == column;
        };

        editorOf(w)->setPlainText("int main() {\n    return x;\n}\n#include \"" + header + "\"\n");
        w.findChild<QAction *>("actionC")->trigger();
        QVERIFY(runEnded(w));
        QVERIFY2(click("a.cpp:2:12:"), qPrintable(w.outputPane()->text()));
        QVERIFY(cursorAt(2, 12));
        QVERIFY(click(header + ":3:"));
        QList<ide *> windows;
        QTRY_VERIFY((windows = brivo::test::visibleWindows<ide>()).size() == 2);
        ide *opened = windows.constFirst() == &w ? windows.constLast() : windows.constFirst();
        QVERIFY(opened->fileName == header && editorOf(*opened)->textCursor().blockNumber() == 2);

        editorOf(w)->setPlainText("x = 1\nprint(y)\n");
        w.findChild<QAction *>("actionPython")->trigger();
        QVERIFY(runEnded(w));
        QVERIFY2(click("line 2"), qPrintable(w.outputPane()->text()));
        QVERIFY(cursorAt(2, 1));

        // The file being edited, which the run did not write, is shown here too.
        const QString mine = path("mine.bat");
        QVERIFY(writeFile(mine, "echo " + QFile::encodeName(mine) + ":3:3: here\n\n  x\n"));
        w.openFile(mine);
        w.findChild<QAction *>("actionBatch")->trigger();
        QVERIFY(runEnded(w));
        QVERIFY2(click(mine + ":3:3:"), qPrintable(w.outputPane()->text()));
        QVERIFY(cursorAt(3, 3) && brivo::test::visibleWindows<ide>().size() == 2);
    }

    void javaAndLinkerWindows()
    {
        ide w;
        editorOf(w)->setPlainText(QStringLiteral("class Grüße {}\n"));
        w.on_actionJava_triggered();
        QPointer<QWidget> dialog = w.javaWin;
        QVERIFY(dialog && dialog->isVisible() && dialog->size() == QSize(410, 150) &&
                dialog->findChild<QLabel *>()->text() == "Exmaple : a.java");
        // Names that are empty, leave the JDK folder, hold a line break or a character no file system takes,
        // name a Windows device or end where Windows cuts them, or name the runner's own files are refused:
        // nothing is written and the dialog stays.
        const QString refused =
            QString::fromUtf8("|../../Evil.java|..|.|src/A.java|..\\A.java|a\nb.java|A.java\n|"
                              "A\t.java|c:A.java|*.java|THIS.txt|comj.bat|CON|nul.java|Com1.java|"
                              "LPT9|aux .java|conout$.java|COM\u00b9.java|A.java.|A.java ");
        for (const QString &bad : refused.split('|')) {
            w.classEdit->setPlainText(bad);
            m_modal->press(QMessageBox::Ok);
            pressButton(dialog);
            QVERIFY(m_modal->last().text == "Not a valid class name" && dialog->isVisible());
        }
        QVERIFY(!QFile::exists(ideFile("jdk/bin/this.txt")));
        w.classEdit->setPlainText(QStringLiteral("Grüße.java"));
        pressButton(dialog);
        QVERIFY(runEnded(w));
        QVERIFY(readFile(ideFile("jdk/bin/Grüße.java")) == "class Grüße {}\n" &&
                readFile(record("Java.source")) == "Grüße.java"); // this.txt
        QVERIFY(status(w).startsWith(QLatin1String("Brivo : Last Compiled Java-Source on ")));

        // Not remembered: a new dialog. A device's name only as the start of a name is a name; the runs the
        // remembered name starts are tests/e2e's.
        w.on_actionJava_triggered();
        QVERIFY(w.javaWin != dialog && w.javaWin->isVisible() && w.classEdit->toPlainText().isEmpty());
        w.classEdit->setPlainText(QStringLiteral("Console"));
        pressButton(w.javaWin);
        QVERIFY(runEnded(w) && readFile(ideFile("jdk/bin/Console")) == "class Grüße {}\n");

        // The linker's link.txt (which tests/e2e writes and links with): a file written elsewhere keeps its
        // line ends and encoding; a failed save keeps the window open.
        const QString link = ideFile("CCPP/bin/link.txt");
        writeFile(link, "-L/opt/caf\xE9\r\n-lm\r\n");
        w.on_actionC_C_Linker_triggered();
        QCOMPARE(w.linkEdit->toPlainText(), QStringLiteral("-L/opt/caf\u00e9\n-lm\n"));
        QPointer<QWidget> older = w.linkWin;
        w.linkEdit->setPlainText(w.linkEdit->toPlainText() + QStringLiteral("-lz\n"));
        QVERIFY(QFile::remove(link) && QDir().mkdir(link));
        m_modal->press(QMessageBox::Ok);
        pressButton(older);
        QVERIFY(m_modal->last().title == "Error" && older->isVisible());
        QDir().rmdir(link);

        // Save in an older window stores that window's text, whatever was opened since.
        w.on_actionC_C_Linker_triggered();
        pressButton(older);
        QCOMPARE(readFile(link), QByteArray("-L/opt/caf\xE9\r\n-lm\r\n-lz\r\n"));
        QVERIFY(!older->isVisible() && brivo::test::visibleWindows<QWidget>().size() == 1);
    }

    // The line the cursor is on is shaded across the whole width; the gutter fits the largest line number,
    // and the text starts to the right of it.
    void currentLineAndGutter()
    {
        CodeEdit edit;
        edit.resize(400, 300);
        edit.setPlainText(QStringLiteral("first\nsecond\nthird"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const auto lineColourAt = [&edit](int line) {
            const int y = edit.cursorRect(QTextCursor(edit.document()->findBlockByNumber(line))).center().y();
            return edit.viewport()->grab().toImage().pixelColor(edit.viewport()->width() - 4, y);
        };
        edit.goToLine(2);
        QVERIFY(lineColourAt(1) != lineColourAt(2) && lineColourAt(0) == lineColourAt(2));

        const QFontMetrics metrics(edit.font());
        const int three = edit.gutterWidth();
        QVERIFY(three >= metrics.horizontalAdvance(QStringLiteral("3")));
        edit.setPlainText(QString(99999, QLatin1Char('\n')));
        const int many = edit.gutterWidth();
        // Five more digits than "3".
        QVERIFY2(many - three >= metrics.horizontalAdvance(QStringLiteral("99999")),
                 qPrintable(QStringLiteral("%1 / %2").arg(three).arg(many)));
        QVERIFY(edit.viewport()->geometry().left() >= many);
        QCOMPARE(CodeEdit::gutterWidthFor(0, metrics), CodeEdit::gutterWidthFor(1, metrics));
        edit.moveCursor(QTextCursor::End); // the last lines of a long text paint without a walk through it
        QVERIFY(!edit.grab().isNull());
    }

    // One row per language: a keyword, a string, a comment and a number are told apart, and marks inside a
    // string or a comment do not count.
    void eachLanguageColoursItsCommentsAndStrings_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("string");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QString>("number");
        // Per language: a line, then its keyword, string, comment and number ("" where it has none).
        const QList<std::array<const char *, 7>> rows = {
            {"C", "a.c", "int x = 42; puts(\"a // b\"); // note", "int", "\"a // b\"", "// note", "42"},
            {"C++", "a.cpp", "auto s = u8\"\\\"q\\\"\"; /* c */ return 0x1F;", "auto", "\"\\\"q\\\"\"",
             "/* c */", "0x1F"},
            {"Java", "A.java", "String s = \"x\"; // hi 7 ", "", "\"x\"", "// hi 7 ", ""},
            {"Python", "a.py", "def f(): return '#' # 12 ", "def", "'#'", "# 12 ", ""},
            {"Perl", "a.pl", "my $n = 3; print \"n\"; # done", "my", "\"n\"", "# done", "3"},
            {"Ruby", "a.rb", "puts 'x' if y == 5 # why", "puts", "'x'", "# why", "5"},
            {"Lisp", "a.lisp", "(defun f () \"doc;\" 10) ; note", "defun", "\"doc;\"", "; note", "10"},
            {"batch rem", "a.bat", "  REM echo \"x\" 1", "", "", "REM echo \"x\" 1", ""},
            {"batch path", "a.BAT", "IF exist \"C:\\dir\\\" echo 2 :: x", "IF", "\"C:\\dir\\\"", "", "2"},
            {"Go", "a.go", "func main() { s := `raw` + \"s\" } // go 9", "func", "`raw`", "// go 9", ""},
            {"HTML", "a.html", "<DIV class=\"it's\"><!-- c --></div>", "DIV", "\"it's\"", "<!-- c -->", ""},
            {"assembly", "a.asm", "  MOV eax, 'a' ; load 1", "MOV", "'a'", "; load 1", ""},
            {"Lua", "a.lua", "local s = \"--\" -- end 4", "local", "\"--\"", "-- end 4", ""},
            {".python", "a.python", "import os # 1", "import", "", "# 1", ""},
            {".perl", "a.perl", "my $x = 'y'; # 2", "my", "'y'", "# 2", ""},
            {"shell", "a.sh", "if [ $# -gt 2 ]; then echo \"#\"; fi # n", "if", "\"#\"", "# n", "2"},
            {"JavaScript", "a.js", "const s = `a${b}` + 'c'; // 5", "const", "'c'", "// 5", ""},
            {"TypeScript", "a.ts", "let n = 0x10; /* t */", "let", "", "/* t */", "0x10"},
            {"C#", "a.cs", "var s = \"q\"; // c 3", "var", "\"q\"", "// c 3", ""},
        };
        for (const auto &[name, file, line, keyword, string, comment, number] : rows)
            QTest::newRow(name) << QString(file) << QString(line) << QString(keyword) << QString(string)
                                << QString(comment) << QString(number);
    }
    void eachLanguageColoursItsCommentsAndStrings()
    {
        QFETCH(QString, file);
        QFETCH(QString, line);
        const QString kinds = kindsOf(file, {line}).value(0);
        QVERIFY2(!kinds.isEmpty(), "no rules for the extension");
        const auto check = [&](const QString &text, QChar kind) {
            if (!text.isEmpty())
                QCOMPARE(kindsAt(line, kinds, text), QString(text.size(), kind));
        };
        QFETCH(QString, keyword);
        QFETCH(QString, string);
        QFETCH(QString, comment);
        QFETCH(QString, number);
        check(keyword, QLatin1Char('k'));
        check(string, QLatin1Char('s'));
        check(comment, QLatin1Char('c'));
        check(number, QLatin1Char('#'));
    }

    // Comments and strings that span lines carry over to the next lines and end where they close.
    void multiLineStretches_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("C") << "a.h" << QStringList{"x /* a", "b", "c */ int"}
                           << QStringList{"  cccc", "c", "cccc kkk"};
        QTest::newRow("Python") << "a.py" << QStringList{"s = \"\"\"a", "# no", "\"\"\" # yes"}
                                << QStringList{"    ssss", "ssss", "sss ccccc"};
        QTest::newRow("Ruby") << "a.rb" << QStringList{"=begin", "if", "=end", "if"}
                              << QStringList{"cccccc", "cc", "cccc", "kk"};
        QTest::newRow("Perl") << "a.pm" << QStringList{"=pod", "my", "=cut", "my"}
                              << QStringList{"cccc", "cc", "cccc", "kk"};
        QTest::newRow("Lua") << "a.lua" << QStringList{"--[[ a", "]] if"} << QStringList{"cccccc", "cc kk"};
        QTest::newRow("Lisp") << "a.cl" << QStringList{"#| a", "|# t"} << QStringList{"cccc", "cc k"};
        QTest::newRow("HTML") << "a.htm" << QStringList{"<!--", "-->"} << QStringList{"cccc", "ccc"};
        QTest::newRow("Go") << "a.go" << QStringList{"`a", "b` if"} << QStringList{"ss", "ss kk"};
        QTest::newRow("Java") << "A.java" << QStringList{"\"\"\"", "x\"\"\";"} << QStringList{"sss", "ssss "};
        // "remove" is no comment mark; "REM" alone on a line is.
        QTest::newRow("batch") << "a.cmd" << QStringList{"remove", "rem"} << QStringList{"      ", "ccc"};
    }
    void multiLineStretches()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        QCOMPARE(kindsOf(file, lines), expected);
    }

    // The editor colours by the file's extension, in the document itself, and not a text too large to
    // colour at once: the status bar says so.
    void editorColoursByExtension()
    {
        const QString source = path(QStringLiteral("a.py"));
        QVERIFY(brivo::test::writeFile(source, "x = 1 # one\n\tif x:\n"));
        ide w;
        w.openFile(source);
        auto *edit = w.findChild<CodeEdit *>(QStringLiteral("textEdit"));
        QVERIFY(edit && edit->syntax() && QLatin1String(edit->syntax()->name) == "Python");
        const auto formatsOfFirstLine = [edit] { return edit->document()->firstBlock().layout()->formats(); };
        QTRY_VERIFY(!formatsOfFirstLine().isEmpty());
        // Colouring is no change of the text.
        QTest::qWait(50);
        QCOMPARE(w.statusLabel->styleSheet(), QStringLiteral("color:blue;"));
        QVERIFY(formatsOfFirstLine().last().format.fontItalic());
        QVERIFY(edit->indentsWithTabs());
        const auto note = [&w] {
            return w.statusBar()->findChild<QLabel *>(QStringLiteral("highlightNote"));
        };
        QVERIFY(!note() || note()->isHidden());

        const QString large = path(QStringLiteral("large.c"));
        QByteArray text;
        while (text.size() <= CodeEdit::maxHighlightedCharacters)
            text += "int x = 1; // 32 characters long\n";
        QVERIFY(brivo::test::writeFile(large, text));
        w.openFile(large);
        // A file this large comes in the background, and going in is no change of the text.
        QVERIFY(w.isLoading() && edit->isReadOnly());
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
        QCOMPARE(status(w), "Opened : " + large + "|color:blue;");
        QVERIFY(!edit->isReadOnly() && edit->toPlainText() == QString::fromLatin1(text));
        QVERIFY(note() && !note()->isHidden() && !edit->indentsWithTabs());
        QTest::qWait(50);
        QVERIFY(edit->document()->firstBlock().layout()->formats().isEmpty());

        // A new document has no language; saving it under a name gives it one.
        w.on_actionNew_triggered();
        QVERIFY(!edit->syntax() && note()->isHidden());
    }

    // Return keeps the indentation of the line it splits, in one undo step; Tab indents as the text does.
    void indentation()
    {
        CodeEdit edit;
        edit.setPlainText(QStringLiteral("if x:\n    call()"));
        edit.setSourceFile(QStringLiteral("a.py"));
        QVERIFY(!edit.indentsWithTabs());
        edit.moveCursor(QTextCursor::End);
        QTest::keyClick(&edit, Qt::Key_Return);
        QTest::keyClicks(&edit, QStringLiteral("more"));
        QCOMPARE(edit.toPlainText(), QStringLiteral("if x:\n    call()\n    more"));
        edit.undo();
        edit.undo();
        QCOMPARE(edit.toPlainText(), QStringLiteral("if x:\n    call()"));
        // Split inside the indentation: the new line gets only the blanks before the cursor.
        edit.goToLine(2, 3);
        QTest::keyClick(&edit, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(edit.toPlainText(), QStringLiteral("if x:\n  \n    call()"));
        QTest::keyClick(&edit, Qt::Key_Tab);
        QCOMPARE(edit.document()->findBlockByNumber(2).text(), QStringLiteral("        call()"));

        edit.setPlainText(QStringLiteral("func f() {\n\treturn\n}"));
        edit.setSourceFile(QStringLiteral("a.go"));
        QVERIFY(edit.indentsWithTabs());
        edit.goToLine(2, 8);
        QTest::keyClick(&edit, Qt::Key_Return);
        QTest::keyClick(&edit, Qt::Key_Tab);
        QCOMPARE(edit.toPlainText(), QStringLiteral("func f() {\n\treturn\n\t\t\n}"));
    }

    // F5 runs the Build entry of the file's language, told by its extension in any case; a file of no
    // known language gets the entries named instead.
    void f5RunsTheFilesLanguage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("language"); // "" when none fits
        QTest::newRow("C++ header, upper case") << "lib.HPP"
                                                << "C/C++";
        QTest::newRow(".python") << "tool.python"
                                 << "Python";
        QTest::newRow("Lua") << "game.lua"
                             << "Lua";
        QTest::newRow("text") << "notes.txt"
                              << "";
        QTest::newRow("no extension") << "Makefile"
                                      << "";
        QTest::newRow("no file") << ""
                                 << "";
    }
    void f5RunsTheFilesLanguage()
    {
        QFETCH(QString, file);
        QFETCH(QString, language);
        ide w;
        if (!file.isEmpty())
            w.openFile(path(file));
        auto *run = w.findChild<QAction *>(QStringLiteral("actionRun"));
        QCOMPARE(run->shortcut(), QKeySequence(Qt::Key_F5));
        if (language.isEmpty())
            m_modal->press(QMessageBox::Ok);
        run->trigger();
        if (language.isEmpty()) {
            QVERIFY(m_modal->last().title == "Run" &&
                    m_modal->last().text.endsWith("Build menu's entries: C/C++, Java, Python, Perl, Ruby, "
                                                  "Lisp, Batch, Go, Html, Assembly, Lua."));
        } else {
            QVERIFY(runEnded(w));
            QVERIFY2(status(w).startsWith("Brivo : Last Compiled " + language + "-Source"),
                     qPrintable(status(w)));
        }
    }

    // Return after an opening brace (or a colon in Python) goes one step further in; a closing brace typed
    // on the new line moves back one step.
    void indentationFollowsBraces_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("indent");   // of the line Return makes
        QTest::addColumn<QString>("dedented"); // that line after "}" is typed on it
        QTest::newRow("brace") << "a.c"
                               << "  if (x) {"
                               << "      "
                               << "  }";
        QTest::newRow("tab brace") << "a.go"
                                   << "\tfunc() {"
                                   << "\t\t"
                                   << "\t}";
        QTest::newRow("bracket, blanks after") << "a.js"
                                               << "x = [  "
                                               << "    "
                                               << "}";
        QTest::newRow("parenthesis") << "a.c"
                                     << "call("
                                     << "    "
                                     << "}";
        QTest::newRow("Python colon") << "a.py"
                                      << "    if x:"
                                      << "        "
                                      << "    }";
        QTest::newRow("colon elsewhere") << "a.c"
                                         << "  case 1:"
                                         << "  "
                                         << "}";
        QTest::newRow("closed on its line") << "a.c"
                                            << "f() {}"
                                            << ""
                                            << "}";
        QTest::newRow("a short step") << "a.c"
                                      << "      x;"
                                      << "      "
                                      << "  }";
    }
    void indentationFollowsBraces()
    {
        QFETCH(QString, file);
        QFETCH(QString, line);
        QFETCH(QString, indent);
        QFETCH(QString, dedented);
        CodeEdit edit;
        edit.setPlainText(line);
        edit.setSourceFile(file);
        edit.moveCursor(QTextCursor::End);
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(edit.textCursor().block().text(), indent);
        QTest::keyClicks(&edit, QStringLiteral("}"));
        QCOMPARE(edit.textCursor().block().text(), dedented);
        edit.undo();
        QCOMPARE(edit.textCursor().block().text(), indent);
    }

    void choosesTheFirstCompleteToolchain_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("programs"); // those the script names, ' ' between
        QTest::addColumn<QString>("package");
        const QList<std::tuple<const char *, Language, const char *, bool, const char *, const char *>> rows =
            {
                {"g++ first", Language::CCpp, "clang++ g++", true, "g++", "g++"},
                {"clang++ alone", Language::CCpp, "clang++", true, "clang++", "g++"},
                {"no compiler", Language::CCpp, "cc", false, "g++", "g++"},
                {"javac without java", Language::Java, "javac", false, "javac java", "default-jdk"},
                {"nasm before as", Language::Assembly, "nasm as ld", true, "nasm ld", "nasm"},
                {"as with ld", Language::Assembly, "as ld", true, "as ld", "nasm"},
                {"nasm alone", Language::Assembly, "nasm", false, "nasm ld", "nasm"},
                {"newest lua", Language::Lua, "luajit lua5.1 lua5.3", true, "lua5.3", "lua5.4"},
                {"clisp", Language::Lisp, "clisp", true, "clisp", "sbcl"},
                {"opener", Language::Html, "", false, "xdg-open", "xdg-utils"},
            };
        for (const auto &[name, language, installed, found, programs, package] : rows)
            QTest::newRow(name) << language << QString(installed) << found << QString(programs)
                                << QString(package);
    }
    void choosesTheFirstCompleteToolchain()
    {
        QFETCH(Language, language);
        QFETCH(QString, installed);
        QFETCH(bool, found);
        QFETCH(QString, package);
        QFETCH(QString, programs);
        const QStringList named = programs.split(' ');
        const brivo::Toolchain toolchain =
            brivo::findToolchain(language, findOnly(installed.split(' ', Qt::SkipEmptyParts)));
        QCOMPARE(toolchain.found, found);
        QCOMPARE(toolchain.programs, named);
        QCOMPARE(toolchain.debianPackage, package);
        QCOMPARE(toolchain.paths.size(), found ? named.size() : 0);
        // The script names what it runs.
        const QByteArray script = brivo::toolchainFiles(toolchain).script;
        for (const QString &program : named) {
            const QRegularExpression named(
                QStringLiteral("(^|\\s)%1\\s").arg(QRegularExpression::escape(program)),
                QRegularExpression::MultilineOption);
            QVERIFY2(language == Language::Html || named.match(QString::fromUtf8(script)).hasMatch(),
                     script.constData());
        }
    }

    // Every script is a shell script the shell can read, stands where the runner starts its command, and
    // hands back the exit code (exec, or exit with the failing step's code).
    void everyScriptFitsItsRunner()
    {
        brivo::test::TemporaryToolRoot root;
        const QStringList everything = {"g++",    "javac", "java", "python3",  "perl", "ruby",
                                        "sbcl",   "sh",    "go",   "xdg-open", "nasm", "ld",
                                        "lua5.4", "clisp", "as",   "luajit"};
        int count = 0;
        const brivo::LanguageRun *runs = brivo::languageRuns(&count);
        QCOMPARE(count, 11);
        for (const QStringList &installed :
             {everything, QStringList{"clisp", "as", "ld", "luajit", "clang++"}}) {
            for (int i = 0; i < count; ++i) {
                const brivo::LanguageRun &run = runs[i];
                const brivo::ToolchainFiles files =
                    brivo::toolchainFiles(brivo::findToolchain(run.language, findOnly(installed)));
                QVERIFY(files.folder.startsWith(root.path() + QStringLiteral("/Ide/")));
                QVERIFY2(brivo::toolFolderExists(QLatin1String(run.checkFolder)) ||
                             brivo::commandState(files) == brivo::CommandState::NotSetUp,
                         run.checkFolder);
                QString error;
                QVERIFY2(brivo::writeToolchainFiles(files, &error), qPrintable(error));
                QVERIFY2(brivo::toolFolderExists(QLatin1String(run.checkFolder)), run.checkFolder);
                QCOMPARE(brivo::commandState(files), brivo::CommandState::SetUp);
                if (files.commandPath.isEmpty()) { // the runner runs or opens its own source file
                    QVERIFY(run.language == Language::Batch || run.language == Language::Html);
                    continue;
                }
                QCOMPARE(brivo::completeProgramPath(brivo::mapToolRootPath(QLatin1String(run.command))),
                         files.commandPath);
                QVERIFY(QFileInfo(files.commandPath).isExecutable());
                QVERIFY(files.script.startsWith("#!/bin/sh\n") && files.script.count('\n') <= 12);
                const QList<QByteArray> lines = files.script.trimmed().split('\n');
                QVERIFY2(lines.last().startsWith("exec "), files.script.constData());
                QProcess syntax;
                syntax.start(QStringLiteral("/bin/sh"), {QStringLiteral("-n"), files.commandPath});
                QVERIFY(syntax.waitForFinished(10000) && syntax.exitCode() == 0);
            }
        }
    }

    // The dialog: one row per language, ticked where a toolchain is found; Set up writes the ticked ones
    // and asks before it replaces a command that is not its own, or a link (which it never writes through).
    void dialogAsksBeforeReplacing()
    {
        brivo::test::TemporaryToolRoot root;
        ModalAnswerer &modal = *m_modal;
        ToolchainSetupDialog dialog;
        auto *list = dialog.findChild<QTreeWidget *>(QStringLiteral("toolchainList"));
        auto *setUp = dialog.findChild<QPushButton *>(QStringLiteral("setUpButton"));
        auto *summary = dialog.findChild<QLabel *>(QStringLiteral("setupSummary"));
        QVERIFY(list->topLevelItemCount() == 11 && list->topLevelItem(2)->text(2) == "not set up");
        const auto tickOnly = [list](const QStringList &languages) {
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                list->topLevelItem(row)->setCheckState(
                    0, languages.contains(list->topLevelItem(row)->text(0)) ? Qt::Checked : Qt::Unchecked);
        };
        tickOnly({"Python", "Perl", "Batch"});
        // Return in the list presses the default button, "Set up", which updates the list under the key.
        dialog.show();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        const QString python = root.path() + QStringLiteral("/Ide/Python/pythone"),
                      perl = root.path() + QStringLiteral("/Ide/Perl/bin/perlb.bat");
        QVERIFY(QFileInfo(python).isExecutable() && QFileInfo(perl).isExecutable() &&
                QFileInfo(root.path() + QStringLiteral("/Ide/batch")).isDir());
        QVERIFY(!QFileInfo::exists(root.path() + QStringLiteral("/Ide/CCPP")));
        QCOMPARE(summary->text(), QStringLiteral("Set up: Python, Perl, Batch."));
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("set up"));

        // A changed script is shown so and kept on No (Yes replacing it is tests/e2e's); unchanged ones are
        // left without a question.
        writeFile(python, readFile(python) + "echo mine\n");
        dialog.refresh();
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("your own (changed)"));
        tickOnly({"Python", "Perl"});
        modal.press(QMessageBox::No);
        setUp->click();
        QVERIFY(modal.last().text.contains(python) && modal.last().defaultButton == QMessageBox::No);
        QVERIFY(readFile(python).endsWith("echo mine\n") && summary->text() == "Kept your own: Python.");
        QCOMPARE(modal.seen().size(), 1);

        // The user's own "gcbat.sh" is the C/C++ command: Set up asks about it rather than writing a
        // "gcbat" that would be found first.
        const QString own = root.path() + QStringLiteral("/Ide/CCPP/bin/gcbat.sh");
        writeFile(own, "#!/bin/sh\nmake run\n");
        tickOnly({"C/C++"});
        modal.press(QMessageBox::No);
        setUp->click();
        QVERIFY(modal.last().text.contains(own) && readFile(own) == "#!/bin/sh\nmake run\n" &&
                !QFileInfo::exists(root.path() + QStringLiteral("/Ide/CCPP/bin/gcbat")));

        // A link in the command's place is replaced by the script; what it pointed to stays as it was.
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("profile"));
        writeFile(target, "keep me\n");
        QVERIFY(QFile::remove(perl) && QFile::link(target, perl));
        tickOnly({"Perl"});
        modal.press(QMessageBox::Yes);
        setUp->click();
        QVERIFY(readFile(target) == "keep me\n" && !QFileInfo(perl).isSymLink() &&
                readFile(perl).startsWith("#!/bin/sh\n"));
    }
};

QTEST_MAIN(tst_ide)
#include "tst_ide.moc"
