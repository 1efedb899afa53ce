// The code editor's text area: line numbers, the current line, colours by language and indentation.
#include "ide/codeedit.h"
#include "ide/ide.h"
#include "ide/syntaxtable.h"
#include "tests/support/testhelpers.h"

#include <QtTest>
#include <QtWidgets>

#include <array>

using brivo::SyntaxKind;

Q_DECLARE_METATYPE(brivo::SyntaxKind)

namespace {

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

class tst_codeedit : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { brivo::test::closeAllWindows(); }

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
        brivo::test::TemporaryToolRoot root; // with toolchains: no question at the start
        root.makeFolder(QStringLiteral("IDE"));
        QDir dir(root.path());
        const QString source = dir.filePath(QStringLiteral("a.py"));
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

        const QString large = dir.filePath(QStringLiteral("large.c"));
        QByteArray text;
        while (text.size() <= CodeEdit::maxHighlightedCharacters)
            text += "int x = 1; // 32 characters long\n";
        QVERIFY(brivo::test::writeFile(large, text));
        w.openFile(large);
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
};

QTEST_MAIN(tst_codeedit)
#include "tst_codeedit.moc"
