// The notepad: status and marker, the close question, byte-exact saves, large and tall documents, PDF.
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "txtedit/txtedit.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <poppler-qt6.h>

using brivo::test::readFile;
using brivo::test::writeFile;

class tst_txtedit : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<brivo::test::ModalAnswerer> m_modal; // answers what a test expects, counts the rest

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static QPlainTextEdit *editOf(const txtedit &w) { return w.findChild<QPlainTextEdit *>("textEdit"); }
    static QString textOf(const txtedit &w) { return editOf(w)->toPlainText(); }
    static void trigger(txtedit &w, const char *action) { w.findChild<QAction *>(action)->trigger(); }
    static QString status(txtedit &w) { return w.statusLabel->text() + '|' + w.statusLabel->styleSheet(); }
    // Types at the cursor, which is at the start of the text after a file is opened.
    static void type(txtedit &w, const QString &text) { editOf(w)->insertPlainText(text); }

private slots:
    void init() { m_modal = std::make_unique<brivo::test::ModalAnswerer>(); }
    void cleanup()
    {
        QCOMPARE(m_modal->unexpected(), 0);
        brivo::test::closeAllWindows();
    }

    void statusAndMarkerFollowTheDocument()
    {
        const QString a = path("a.txt");
        writeFile(a, "first\n");
        txtedit w;
        QVERIFY(status(w) == "Brivo-TextEdit : New|color:blue;" && w.fileName.isNull()); // New makes it empty
        type(w, QStringLiteral("x"));
        QCOMPARE(status(w), QStringLiteral("Saved : |color:red;"));
        m_modal->press(QMessageBox::Discard);
        m_modal->chooseFile(a);
        trigger(w, "actionOpen");
        QVERIFY(status(w) == "Opened : " + a + "|color:blue;" && textOf(w) == "first\n");
        type(w, QStringLiteral("second\n"));
        QCOMPARE(status(w), "Saved : " + a + "|color:red;");
        trigger(w, "actionSave");
        QCOMPARE(status(w), "Saved : " + a + "|color:green;");

        // Save As writes a copy and changes neither the current file nor the marker.
        type(w, QStringLiteral("third\n"));
        m_modal->chooseFile(path("b.txt"));
        trigger(w, "actionSave_As");
        QCOMPARE(readFile(path("b.txt")), QByteArray("second\nthird\nfirst\n"));
        QCOMPARE(status(w), "Saved : " + a + "|color:red;");
        trigger(w, "actionSave");
        QCOMPARE(readFile(a), QByteArray("second\nthird\nfirst\n"));

        // A failed save, or a path that cannot be read, is reported and leaves everything as it was.
        type(w, QStringLiteral("fourth"));
        QFile::remove(a);
        QDir().mkdir(a);
        m_modal->press(QMessageBox::Ok);
        trigger(w, "actionSave");
        QVERIFY(m_modal->last().title == "Error" && m_modal->last().text.contains(a));
        m_modal->press(QMessageBox::Ok);
        w.openFile(m_dir.path());
        QVERIFY(m_modal->last().title == "Error" && w.fileName == a &&
                textOf(w) == "second\nthird\nfourthfirst\n");
        QCOMPARE(status(w), "Saved : " + a + "|color:red;");
    }

    void changesAreNeverLostWithoutAsking()
    {
        const QString file = path("close.txt");
        txtedit w;
        w.openFile(file); // nothing there: an empty document under that name
        w.show();
        QVERIFY(w.close()); // unchanged: no question
        w.show();
        type(w, QStringLiteral("old"));
        // Cancel keeps the window, the text and the name on New, Open (no open dialog follows) and close.
        for (const char *action : {"actionNew", "actionOpen", "actionExit"}) {
            m_modal->press(QMessageBox::Cancel);
            trigger(w, action);
        }
        QVERIFY(w.isVisible() && textOf(w) == "old" && w.fileName == file);
        QVERIFY(m_modal->last().text == "The document has been modified." && !m_modal->last().hasParent);
        m_modal->press(QMessageBox::Discard);
        QVERIFY(w.close());
        QVERIFY(!QFile::exists(file));
        w.show();
        type(w, QStringLiteral("!"));
        m_modal->press(QMessageBox::Save); // creates the file
        QVERIFY(w.close());
        QCOMPARE(readFile(file), QByteArray("old!"));

        // New on saved text asks nothing and starts an empty document whose name is empty, not null; there
        // Save whose dialog is cancelled keeps the window open.
        trigger(w, "actionNew");
        QVERIFY(!w.fileName.isNull() && w.fileName.isEmpty() && textOf(w).isEmpty());
        w.show();
        type(w, QStringLiteral("draft"));
        m_modal->press(QMessageBox::Save);
        m_modal->cancel();
        QVERIFY(!w.close());
    }

    // HTML-looking text stays source and saves back byte for byte (tst_common holds every mix of encodings
    // and line ends); a typed line takes the most common line end, the others stay as they were.
    void filesSaveBackByteForByte()
    {
        writeFile(path("round.txt"), "\xEF\xBB\xBF<b>one\r\ntwo\nthree\r\nfour\rfive\xC2\xA0");
        txtedit w;
        w.openFile(path("round.txt"));
        QVERIFY(textOf(w).startsWith(QStringLiteral("<b>")));
        type(w, QStringLiteral("new\n"));
        trigger(w, "actionSave");
        QCOMPARE(readFile(path("round.txt")),
                 "\xEF\xBB\xBFnew\r\n<b>one\r\ntwo\nthree\r\nfour\rfive\xC2\xA0");
    }

    // Text that the file's 8-bit code page cannot hold is never saved with characters lost: the user is
    // asked whether to save as UTF-8 instead, and Cancel writes nothing.
    void aLatin1FileAsksBeforeItBecomesUtf8()
    {
        const QString file = path("latin1.txt");
        writeFile(file, "caf\xE9\n");
        txtedit w;
        w.openFile(file);
        type(w, QString::fromUtf8("5 \xE2\x82\xAC "));
        m_modal->press(QMessageBox::Cancel);
        trigger(w, "actionSave");
        QCOMPARE(m_modal->last().title, QStringLiteral("Brivo : Save as UTF-8"));
        QVERIFY(m_modal->last().text.contains(file) &&
                m_modal->last().text.contains(QString::fromUtf8("\xE2\x82\xAC")));
        QVERIFY(readFile(file) == "caf\xE9\n" && w.statusLabel->styleSheet() == "color:red;");
        m_modal->press(QMessageBox::Yes);
        trigger(w, "actionSave");
        QCOMPARE(readFile(file), QByteArray("5 \xE2\x82\xAC caf\xC3\xA9\n"));
        QCOMPARE(status(w), "Saved : " + file + "|color:green;");
        type(w, QStringLiteral("x")); // UTF-8 from now on: no more questions
        trigger(w, "actionSave");
        QCOMPARE(m_modal->seen().size(), 2);
    }

    void largeFilesLoadInTheBackground()
    {
        QByteArray big;
        for (int i = 0; big.size() < 3 * 1024 * 1024; ++i)
            big += "line " + QByteArray::number(i) + " of a large file\n";
        writeFile(path("big.txt"), big);
        txtedit w;
        w.show();
        w.openFile(path("big.txt"));
        QVERIFY(w.isLoading() && editOf(w)->isReadOnly() &&
                !w.findChild<QAction *>("actionSave")->isEnabled());
        QCOMPARE(status(w), "Opening : " + path("big.txt") + "|color:blue;");
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 60000);
        QCOMPARE(status(w), "Opened : " + path("big.txt") + "|color:blue;");
        QVERIFY(!editOf(w)->isReadOnly() && w.findChild<QAction *>("actionSave")->isEnabled());
        QCOMPARE(editOf(w)->document()->blockCount(), big.count('\n') + 1);
        QCOMPARE(editOf(w)->document()->defaultFont().pointSize(), 14); // built on another thread
        // The document handed over is the text area's own: loading is no step to undo, a key marks it
        // changed, and Undo takes back the key alone.
        QVERIFY(!editOf(w)->document()->isUndoAvailable());
        trigger(w, "actionUndo");
        QCOMPARE(editOf(w)->document()->blockCount(), big.count('\n') + 1);
        QCOMPARE(status(w), "Opened : " + path("big.txt") + "|color:blue;");
        QTest::keyClick(editOf(w), Qt::Key_Q);
        QCOMPARE(status(w), "Saved : " + path("big.txt") + "|color:red;");
        QVERIFY(textOf(w).startsWith(QStringLiteral("qline 0 ")));
        trigger(w, "actionUndo");
        QVERIFY(textOf(w).startsWith(QStringLiteral("line 0 ")));
        QCOMPARE(textOf(w).size(), big.size());

        // A load that fails while another is still going into the text area puts back the text, the name
        // and the marker from before them both: a half-loaded text never stands under a file's name.
        writeFile(path("small.txt"), "small text\n");
        txtedit back;
        back.show();
        back.openFile(path("small.txt"));
        type(back, QStringLiteral("changed "));
        back.openFile(path("big.txt"));
        QTRY_VERIFY(back.isLoading() && editOf(back)->document()->blockCount() > 1000);
        m_modal->press(QMessageBox::Ok);
        back.openFile(m_dir.path());
        QVERIFY(m_modal->last().title == "Error" && !back.isLoading());
        QCOMPARE(textOf(back), QStringLiteral("changed small text\n"));
        QCOMPARE(status(back), "Saved : " + path("small.txt") + "|color:red;");
        QVERIFY(back.fileName == path("small.txt") && !editOf(back)->isReadOnly());
        QTest::qWait(300);
        QCOMPARE(textOf(back), QStringLiteral("changed small text\n"));

        // New while a file is still coming in: the file never replaces the new document.
        txtedit late;
        late.openFile(path("big.txt"));
        trigger(late, "actionNew");
        QVERIFY(!late.isLoading() && !editOf(late)->isReadOnly());
        QTest::qWait(2000);
        QVERIFY(textOf(late).isEmpty() && late.fileName.isEmpty());
        QCOMPARE(status(late), QStringLiteral("Brivo-TextEdit : New|color:blue;"));
    }

    // A text far taller than a scroll bar's int range of pixels still scrolls to its last line, and a key
    // typed there leaves the scroll bar and the text area's width as they were.
    void tallDocumentsScrollToTheirEnd()
    {
        txtedit w;
        w.show();
        QPlainTextEdit *edit = editOf(w);
        edit->setFont(QFont(edit->font().family(), 30));
        const int lines = int(24'000'000 / QFontMetricsF(edit->font()).lineSpacing());
        edit->setPlainText(QStringLiteral("x\n").repeated(lines));
        QTest::qWait(100);
        QScrollBar *bar = edit->verticalScrollBar();
        const int width = edit->viewport()->width();
        QVERIFY(bar->isVisible());
        bar->setValue(bar->maximum());
        QTest::qWait(50);
        const QPoint bottom(0, edit->viewport()->height() - edit->fontMetrics().height() / 2);
        QCOMPARE(edit->cursorForPosition(bottom).blockNumber(), lines);
        QTextCursor end = edit->textCursor();
        end.movePosition(QTextCursor::End);
        edit->setTextCursor(end);
        type(w, QStringLiteral("y"));
        QTest::qWait(100);
        QVERIFY(bar->isVisible() && edit->viewport()->width() == width);
        QCOMPARE(bar->value(), bar->maximum());
    }

    // Copy and Cut give the selected text as it stands, lines ending in LF, and nothing but text.
    void copyGivesThePlainText()
    {
        txtedit w;
        const QString text = QStringLiteral("one\n\ttwo\u00A0<b>2</b>\n\nthree");
        editOf(w)->setPlainText(text);
        QTest::keyClick(editOf(w), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(editOf(w)->textCursor().selectionEnd() - editOf(w)->textCursor().selectionStart(),
                 text.size());
        trigger(w, "actionCopy");
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied && copied->text() == text && !copied->hasHtml());
        QTextCursor middle = editOf(w)->textCursor();
        middle.setPosition(2);
        middle.setPosition(6, QTextCursor::KeepAnchor);
        editOf(w)->setTextCursor(middle);
        trigger(w, "actionCut");
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("e\n\tt"));
        QVERIFY(textOf(w).startsWith(QStringLiteral("onwo")));
    }

    void openerAboutBoxesHomeAndPrintAsPdf()
    {
        writeFile(path("opened.txt"), "printed text");
        auto *w = qobject_cast<txtedit *>(brivo::openTool(brivo::Tool::Notepad, path("opened.txt")));
        QVERIFY(w && w->isVisible() && textOf(*w) == "printed text");
        m_modal->press(QMessageBox::Ok);
        trigger(*w, "actionMe");
        QCOMPARE(m_modal->last().title, QStringLiteral("About Me"));
        QVERIFY(m_modal->last().text.startsWith(QStringLiteral("Author : K.VARDEN <br/> Email : ")));
        m_modal->press(QMessageBox::Ok);
        trigger(*w, "actionTextEdit");
        QVERIFY(m_modal->last().title == "About TextEdit" && m_modal->last().text == "It is an TextEditor");
        trigger(*w, "actionHome");
        QVERIFY(brivo::test::visibleWindows<showmain>().size() == 1 && w->isVisible());

        m_modal->cancel(); // prints nothing: printing to no name would report an error
        trigger(*w, "actionPrint_As_Pdf");
        QVERIFY(m_modal->last().title == "Save File" && m_modal->last().text == "Pdfs (*.pdf)");
        m_modal->chooseFile(path("missing/out.pdf"));
        m_modal->press(QMessageBox::Ok);
        trigger(*w, "actionPrint_As_Pdf");
        QVERIFY(m_modal->last().title == "Error" && m_modal->last().text.contains(path("missing/out.pdf")));
        m_modal->chooseFile(path("out")); // the name as given, without a suffix
        trigger(*w, "actionPrint_As_Pdf");
        std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path("out"));
        QVERIFY(document && !document->isLocked() && document->numPages() == 1);
        QVERIFY(document->page(0)->text(QRectF()).contains(QStringLiteral("printed text")));
    }
};

QTEST_MAIN(tst_txtedit)
#include "tst_txtedit.moc"
