// What both editors add around their text: find and replace, go to line, zoom, recent files and the
// cursor's place in the status bar.
#include "common/editorsearch.h"
#include "common/editortools.h"
#include "common/findbar.h"
#include "common/recentfiles.h"
#include "common/statefolder.h"
#include "common/textdocumentfile.h"
#include "common/textsearch.h"
#include "ide/ide.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "txtedit/txtedit.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace brivo;
using namespace brivo::test;

Q_DECLARE_METATYPE(brivo::SearchOptions)

namespace {

SearchOptions opts(const char *flags)
{
    SearchOptions o;
    o.matchCase = QByteArray(flags).contains('c');
    o.wholeWords = QByteArray(flags).contains('w');
    o.regularExpression = QByteArray(flags).contains('r');
    return o;
}

QPlainTextEdit *editOf(QWidget *w)
{
    return w->findChild<QPlainTextEdit *>(QStringLiteral("textEdit"));
}

void setFindText(FindBar *bar, const QString &text)
{
    auto *field = bar->findChild<QLineEdit *>(QStringLiteral("findEdit"));
    field->selectAll();
    QTest::keyClicks(field, text); // as typed, so the search follows each key
}

} // namespace

class tst_editortools : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<ModalAnswerer> m_modal;
    std::unique_ptr<TemporaryStateFolder> m_state;

private slots:
    void init()
    {
        m_modal = std::make_unique<ModalAnswerer>();
        m_state = std::make_unique<TemporaryStateFolder>();
    }
    void cleanup()
    {
        QCOMPARE(m_modal->unexpected(), 0);
        closeAllWindows();
    }

    // Where a search lands: the options, going round either end, empty matches skipped.
    void matchesFollowTheOptions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<SearchOptions>("options");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<int>("start"); // -1: none
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("wrapped");
        QTest::addColumn<int>("count");
        const QString text = QStringLiteral("Cat cat catalog\nconcat CAT");
        QTest::newRow("any case") << text << "cat" << opts("") << 0 << false << 0 << 3 << false << 5;
        QTest::newRow("match case") << text << "cat" << opts("c") << 1 << false << 4 << 3 << false << 3;
        QTest::newRow("whole words") << text << "cat" << opts("w") << 5 << false << 23 << 3 << false << 3;
        QTest::newRow("whole words, case")
            << text << "cat" << opts("cw") << 0 << false << 4 << 3 << false << 1;
        QTest::newRow("wraps to the start")
            << text << "catalog" << opts("") << 9 << false << 8 << 7 << true << 1;
        QTest::newRow("backward") << text << "cat" << opts("") << 8 << true << 4 << 3 << false << 5;
        QTest::newRow("backward wraps to the end")
            << text << "cat" << opts("") << 0 << true << 23 << 3 << true << 5;
        QTest::newRow("literal dot") << text << "." << opts("") << 0 << false << -1 << 0 << false << 0;
        QTest::newRow("expression, line anchors")
            << text << "^c\\w+" << opts("r") << 1 << false << 16 << 6 << false << 2;
        QTest::newRow("expression, empty matches skipped")
            << text << "x*|g" << opts("r") << 0 << false << 14 << 1 << false << 1;
        QTest::newRow("whole words round a symbol")
            << QStringLiteral("a+b a+bc") << "a+b" << opts("w") << 1 << false << 0 << 3 << true << 1;
        QTest::newRow("accented letters are word letters")
            << QStringLiteral("café caféine") << QStringLiteral("café") << opts("w") << 0 << false << 0 << 4
            << false << 1;
    }
    void matchesFollowTheOptions()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(SearchOptions, options);
        QFETCH(int, from);
        QFETCH(bool, backward);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(bool, wrapped);
        QFETCH(int, count);
        const QRegularExpression expression = searchExpression(pattern, options);
        QVERIFY(expression.isValid());
        const TextMatch match = findMatch(text, expression, from, backward);
        QCOMPARE(match.start, start);
        if (match.found()) {
            QCOMPARE(match.length, length);
            QCOMPARE(match.wrapped, wrapped);
        }
        QCOMPARE(countMatches(text, expression), count);
    }

    // Each match with what takes its place: groups expand only for expressions, empty matches are left.
    void replacementsExpandGroups()
    {
        QList<TextReplacement> r = replacementsFor(
            QStringLiteral("a.b a.b"), searchExpression("a.b", opts("")), QStringLiteral("\\1x"), false);
        QVERIFY(r.size() == 2 && r.at(1).start == 4 && r.at(1).length == 3 && r.at(1).text == "\\1x");

        r = replacementsFor(QStringLiteral("key=value\nk2=v2"),
                            searchExpression("^(\\w+)=(\\w+)$", opts("r")), QStringLiteral("\\2: \\1\\\\\\9"),
                            true);
        QVERIFY(r.size() == 2 && r.at(0).text == "value: key\\" && r.at(1).text == "v2: k2\\");

        QVERIFY(replacementsFor(QStringLiteral("abc"), searchExpression("z*", opts("r")), QStringLiteral("y"),
                                true)
                    .isEmpty());
    }

    // The notepad's find bar: Search and Find open it, typing selects, F3 goes on and round with a note,
    // the count shows, an invalid expression says so, Escape closes it and gives the keys back.
    void findBarSearchesTheNotepad()
    {
        txtedit w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QPlainTextEdit *edit = editOf(&w);
        edit->setPlainText(QStringLiteral("one two\nTwo three\ntwo"));
        auto *bar = w.findChild<FindBar *>();
        QVERIFY(bar && bar->isHidden());
        w.findChild<QAction *>("actionSearch")->trigger();
        QVERIFY(bar->isVisible());
        QVERIFY(!bar->replaceShown());
        QVERIFY(bar->findChild<QLineEdit *>("findEdit")->hasFocus());
        QVERIFY(
            w.findChild<QAction *>("actionSearch")->shortcuts().contains(QKeySequence(QKeySequence::Find)));

        setFindText(bar, QStringLiteral("two"));
        QVERIFY(edit->textCursor().selectionStart() == 4 && bar->message() == "3 matches");
        for (const int start : {8, 18, 4}) { // F3 goes on, and round
            QTest::keyClick(&w, Qt::Key_F3);
            QCOMPARE(edit->textCursor().selectionStart(), start);
        }
        QVERIFY(bar->message().contains(QStringLiteral("round to the start")));
        QTest::keyClick(&w, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(edit->textCursor().selectionStart(), 18);
        QVERIFY(bar->message().contains(QStringLiteral("round to the end")));

        bar->findChild<QCheckBox *>("matchCaseBox")->setChecked(true);
        QTest::keyClick(&w, Qt::Key_F3);
        QCOMPARE(bar->message(), QStringLiteral("Went round to the start \u00B7 2 matches"));
        QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("two"));

        bar->findChild<QCheckBox *>("regularExpressionBox")->setChecked(true);
        setFindText(bar, QStringLiteral("t(wo"));
        QVERIFY(bar->message().startsWith(QStringLiteral("Invalid expression")));
        setFindText(bar, QStringLiteral("nothing"));
        QCOMPARE(bar->message(), QStringLiteral("Not found"));

        QTest::keyClick(bar->findChild<QLineEdit *>("findEdit"), Qt::Key_Escape);
        QVERIFY(bar->isHidden());
        QVERIFY(edit->hasFocus());
        w.findChild<QAction *>("actionSearch")->trigger();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Escape); // from the text too
        QVERIFY(bar->isHidden());
    }

    // Replace changes only a selected match; Replace All is one edit that one Undo takes back, keeps each
    // line's own line end, and marks the document as changed.
    void replaceAllIsOneUndoStep()
    {
        const QString file = m_dir.filePath(QStringLiteral("mixed.txt"));
        QVERIFY(writeFile(file, "cat\r\ndog cat\ncat\r\n"));
        txtedit w;
        w.openFile(file);
        w.show();
        QPlainTextEdit *edit = editOf(&w);
        const QString before = edit->toPlainText();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QList<QKeySequence> replaceKeys = w.findChild<QAction *>("actionReplace")->shortcuts();
        QVERIFY(!replaceKeys.isEmpty()); // a platform that names no Replace keys still gets one
        QTest::keySequence(&w, replaceKeys.first());
        auto *bar = w.findChild<FindBar *>();
        QVERIFY(bar->replaceShown());
        bar->findChild<QLineEdit *>("replaceEdit")->setText(QStringLiteral("bird"));
        setFindText(bar, QStringLiteral("cat"));
        QCOMPARE(edit->textCursor().selectionStart(), 0);

        QTextCursor stray = edit->textCursor();
        stray.setPosition(4);
        stray.setPosition(7, QTextCursor::KeepAnchor); // "dog", not a match
        edit->setTextCursor(stray);
        bar->findChild<QPushButton *>("replaceButton")->click();
        QCOMPARE(edit->toPlainText(), before);
        QCOMPARE(edit->textCursor().selectionStart(), 8); // moved on to the next match instead
        bar->findChild<QPushButton *>("replaceButton")->click();
        QCOMPARE(edit->toPlainText(), QStringLiteral("cat\ndog bird\ncat\n"));
        edit->undo();
        QCOMPARE(edit->toPlainText(), before);

        bar->findChild<QPushButton *>("replaceAllButton")->click();
        QCOMPARE(edit->toPlainText(), QStringLiteral("bird\ndog bird\nbird\n"));
        QCOMPARE(bar->message(), QStringLiteral("Replaced 3 matches"));
        QCOMPARE(w.statusLabel->styleSheet(), QStringLiteral("color:red;"));
        const QString saved = m_dir.filePath(QStringLiteral("mixed-saved.txt"));
        m_modal->chooseFile(saved);
        w.findChild<QAction *>("actionSave_As")->trigger();
        QCOMPARE(readFile(saved), QByteArray("bird\r\ndog bird\nbird\r\n"));
        edit->undo();
        QCOMPARE(edit->toPlainText(), before);
        QVERIFY(!edit->document()->isUndoAvailable());

        edit->setReadOnly(true); // as while a file loads
        bar->findChild<QPushButton *>("replaceAllButton")->click();
        QCOMPARE(edit->toPlainText(), before);
        edit->setReadOnly(false);

        // A replacement that breaks a line: the new break takes the file's usual line end.
        bar->findChild<QCheckBox *>("regularExpressionBox")->setChecked(true);
        setFindText(bar, QStringLiteral("g\\s"));
        bar->findChild<QLineEdit *>("replaceEdit")->setText(QStringLiteral("g\\n"));
        bar->findChild<QPushButton *>("replaceAllButton")->click();
        m_modal->chooseFile(saved);
        w.findChild<QAction *>("actionSave_As")->trigger();
        QCOMPARE(readFile(saved), QByteArray("cat\r\ndog\r\ncat\ncat\r\n"));
    }

    // Go to line shows the range and stays in it; a click below the last line puts the cursor there; zoom
    // from keys and the wheel, back to the normal size.
    void goToLineAndZoom()
    {
        TemporaryToolRoot root; // with its toolchains, so the code editor opens without a warning
        root.makeFolder(QStringLiteral("IDE"));
        ide w;
        w.resize(600, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QPlainTextEdit *edit = editOf(&w);
        edit->setPlainText(QStringLiteral("1\n2\n3"));
        QTest::mouseClick(edit->viewport(), Qt::LeftButton, {}, QPoint(200, 250));
        QCOMPARE(w.tools()->positionLabel()->text(), QStringLiteral("Ln 3, Col 2    UTF-8    LF "));
        edit->setPlainText(QStringLiteral("1\n2\n3\n4\n5"));
        m_modal->act([](QWidget *dialog) {
            auto *input = qobject_cast<QInputDialog *>(dialog);
            QVERIFY(input);
            QCOMPARE(input->labelText(), QStringLiteral("Line (1 - 5):"));
            QCOMPARE(input->intMaximum(), 5);
            input->setIntValue(4);
            input->accept();
        });
        QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_G));
        QVERIFY(m_modal->waitUntilAnswered());
        QCOMPARE(edit->textCursor().blockNumber(), 3);
        w.tools()->goToLine(99);
        QCOMPARE(edit->textCursor().blockNumber(), 4);
        QCOMPARE(w.tools()->positionLabel()->text(), QStringLiteral("Ln 5, Col 1    UTF-8    LF "));

        const int normal = edit->font().pointSize();
        w.activateWindow(); // back from the dialog
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keySequence(&w, QKeySequence(QKeySequence::ZoomIn));
        QCOMPARE(edit->font().pointSize(), normal + 1);
        QTest::keySequence(&w, QKeySequence(QKeySequence::ZoomOut));
        QTest::keySequence(&w, QKeySequence(QKeySequence::ZoomOut));
        QCOMPARE(edit->font().pointSize(), normal - 1);
        const QPoint at = edit->viewport()->rect().center();
        QWheelEvent up(at, edit->viewport()->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, Qt::ControlModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit->viewport(), &up);
        QCOMPARE(edit->font().pointSize(), normal + 1);
        QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_0));
        QCOMPARE(edit->font().pointSize(), normal);
    }

    // The status bar keeps the editor's own label and adds the cursor's place, the encoding and the line
    // ends of the file on its right.
    void positionLabelShowsPlaceAndFormat()
    {
        const QString file = m_dir.filePath(QStringLiteral("latin.txt"));
        QVERIFY(writeFile(file, "caf\xE9\r\nsecond line\r\n"));
        txtedit w;
        w.show();
        w.openFile(file);
        QPlainTextEdit *edit = editOf(&w);
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(5 + 3);
        edit->setTextCursor(cursor);
        QLabel *position = w.tools()->positionLabel();
        QCOMPARE(position->text(), QStringLiteral("Ln 2, Col 4    ISO-8859-1    CRLF "));
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Opened : ") + file);
        QVERIFY(position->isVisible() && w.statusLabel->isVisible());
        QVERIFY(position->x() > w.statusLabel->x());
    }

    // The Recent menu lists the last ten files opened or saved, newest first, keeps a file that vanished
    // there but disabled, opens the others, and reads a broken state file as an empty list.
    void recentFilesAreKeptAndNeverFail()
    {
        QStringList files;
        for (int i = 0; i < 12; ++i) {
            files.append(m_dir.filePath(QStringLiteral("r%1.txt").arg(i)));
            QVERIFY(writeFile(files.last(), QByteArray::number(i)));
        }
        {
            txtedit w;
            for (const QString &file : files)
                w.openFile(file);
            w.openFile(files.at(5)); // again: to the top, not twice
        }
        QStringList expected{files.at(5), files.at(11), files.at(10), files.at(9), files.at(8),
                             files.at(7), files.at(6),  files.at(4),  files.at(3), files.at(2)};
        QCOMPARE(recentFiles(QStringLiteral("notepad")), expected);
        QVERIFY(recentFiles(QStringLiteral("ide")).isEmpty()); // each editor its own list

        QVERIFY(QFile::remove(files.at(11)));
        txtedit w;
        auto *menu = w.findChild<RecentFilesMenu *>(QStringLiteral("menuRecent"));
        QVERIFY(menu);
        QVERIFY(w.findChild<QMenu *>("menuFile")->actions().last()->menu() == menu);
        menu->refill();
        const QList<QAction *> entries = menu->actions();
        QCOMPARE(entries.at(0)->data().toString(), files.at(5));
        QVERIFY(entries.at(0)->isEnabled());
        QCOMPARE(entries.at(1)->data().toString(), files.at(11));
        QVERIFY(!entries.at(1)->isEnabled());
        entries.at(2)->trigger();
        QCOMPARE(w.fileName, files.at(10));
        QCOMPARE(editOf(&w)->toPlainText(), QStringLiteral("10"));

        QVERIFY(writeStateFile(QStringLiteral("recent.json"), "{ broken"));
        QVERIFY(recentFiles(QStringLiteral("notepad")).isEmpty());
        menu->refill();
        QCOMPARE(menu->actions().size(), 1);
        QVERIFY(!menu->actions().first()->isEnabled());
    }
};

QTEST_MAIN(tst_editortools)
#include "tst_editortools.moc"
