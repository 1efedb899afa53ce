// The notepad: its status line and modified marker, saving and the close question, files that must come
// back byte for byte, loading large files, and printing to PDF.
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "common/textdocumentfile.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "txtedit/txtedit.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <poppler-qt6.h>

using brivo::test::ModalAnswerer;
using brivo::test::readFile;
using brivo::test::writeFile;

namespace {

QTextEdit *editOf(const txtedit &w)
{
    return w.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

QAction *actionOf(const txtedit &w, const char *name)
{
    return w.findChild<QAction *>(QLatin1String(name));
}

QString statusOf(const txtedit &w)
{
    return w.statusLabel->text() + QLatin1Char('|') + w.statusLabel->styleSheet();
}

void type(txtedit &w, const QString &text)
{
    QTextCursor cursor = editOf(w)->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

QString textOf(const txtedit &w)
{
    return editOf(w)->toPlainText();
}

} // namespace

class tst_txtedit : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() { brivo::test::closeAllWindows(); }

    void statusAndMarkerFollowTheDocument()
    {
        const QString a = m_dir.filePath(QStringLiteral("a.txt"));
        const QString b = m_dir.filePath(QStringLiteral("b.txt"));
        writeFile(a, "first\n");
        txtedit w;
        QCOMPARE(statusOf(w), QStringLiteral("Brivo-TextEdit : New|color:blue;"));
        QVERIFY(w.fileName.isNull());
        type(w, QStringLiteral("x"));
        QCOMPARE(statusOf(w), QStringLiteral("Saved : |color:red;"));

        ModalAnswerer answers;
        answers.press(QMessageBox::Discard);
        answers.chooseFile(a);
        actionOf(w, "actionOpen")->trigger();
        QCOMPARE(statusOf(w), QStringLiteral("Opened : ") + a + QStringLiteral("|color:blue;"));
        QCOMPARE(textOf(w), QStringLiteral("first\n"));
        QCOMPARE(w.fileName, a);

        type(w, QStringLiteral("second\n"));
        QCOMPARE(statusOf(w), QStringLiteral("Saved : ") + a + QStringLiteral("|color:red;"));
        actionOf(w, "actionSave")->trigger();
        QCOMPARE(statusOf(w), QStringLiteral("Saved : ") + a + QStringLiteral("|color:green;"));
        QCOMPARE(readFile(a), QByteArray("first\nsecond\n"));

        // Save As writes a copy and changes neither the current file nor the marker.
        type(w, QStringLiteral("third\n"));
        answers.chooseFile(b);
        actionOf(w, "actionSave_As")->trigger();
        QCOMPARE(readFile(b), QByteArray("first\nsecond\nthird\n"));
        QCOMPARE(w.fileName, a);
        QCOMPARE(statusOf(w), QStringLiteral("Saved : ") + a + QStringLiteral("|color:red;"));
        actionOf(w, "actionSave")->trigger();
        QCOMPARE(readFile(a), QByteArray("first\nsecond\nthird\n"));

        // New on saved text asks nothing and starts an empty, unnamed document.
        actionOf(w, "actionNew")->trigger();
        QVERIFY(!w.fileName.isNull() && w.fileName.isEmpty());
        QCOMPARE(textOf(w), QString());
        QCOMPARE(answers.seen().size(), 3); // the question, the open dialog and the Save As dialog
        QCOMPARE(answers.unexpected(), 0);
    }

    void failedSaveKeepsTheMarkerAndTheName()
    {
        // A file cannot be created below a path that is itself a file, whoever runs the test.
        writeFile(m_dir.filePath(QStringLiteral("plain")), "x");
        const QString bad = m_dir.filePath(QStringLiteral("plain/notes.txt"));

        txtedit named;
        named.openFile(bad);
        type(named, QStringLiteral("text"));
        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        actionOf(named, "actionSave")->trigger();
        QCOMPARE(answers.last().title, QStringLiteral("Error"));
        QVERIFY(answers.last().text.contains(bad));
        QCOMPARE(statusOf(named), QStringLiteral("Saved : ") + bad + QStringLiteral("|color:red;"));
        QCOMPARE(named.fileName, bad);
        QCOMPARE(answers.unexpected(), 0);
    }

    void closeQuestion_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("hasName");
        QTest::addColumn<QList<int>>("answers"); // buttons; 0 cancels a save dialog
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QByteArray>("onDisk");

        const auto save = int(QMessageBox::Save);
        QTest::newRow("unchanged closes at once")
            << false << true << QList<int>() << true << QByteArray("old");
        QTest::newRow("cancel keeps the window")
            << true << true << QList<int>{int(QMessageBox::Cancel)} << false << QByteArray("old");
        QTest::newRow("discard closes")
            << true << true << QList<int>{int(QMessageBox::Discard)} << true << QByteArray("old");
        QTest::newRow("save writes and closes")
            << true << true << QList<int>{save} << true << QByteArray("old!");
        QTest::newRow("cancelled save dialog keeps the window")
            << true << false << QList<int>{save, 0} << false << QByteArray("old");
    }

    void closeQuestion()
    {
        QFETCH(bool, edited);
        QFETCH(bool, hasName);
        QFETCH(QList<int>, answers);
        QFETCH(bool, closes);
        QFETCH(QByteArray, onDisk);

        const QString path = m_dir.filePath(QStringLiteral("close.txt"));
        writeFile(path, "old");
        txtedit w;
        if (hasName)
            w.openFile(path);
        else
            editOf(w)->setPlainText(QStringLiteral("old"));
        w.show();
        if (edited)
            type(w, QStringLiteral("!"));

        ModalAnswerer modal;
        for (int answer : answers) {
            if (answer)
                modal.press(QMessageBox::StandardButton(answer));
            else
                modal.cancel();
        }
        w.close();
        QVERIFY(modal.waitUntilAnswered());
        QCOMPARE(w.isVisible(), !closes);
        QCOMPARE(readFile(path), onDisk);
        QCOMPARE(modal.unexpected(), 0);
        if (!answers.isEmpty()) {
            const ModalAnswerer::Seen question = modal.seen().first();
            QCOMPARE(question.text, QStringLiteral("The document has been modified."));
            QCOMPARE(question.buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            QCOMPARE(question.defaultButton, QMessageBox::Save);
            QCOMPARE(question.escapeButton, QMessageBox::Cancel);
            QVERIFY(!question.hasParent);
        }
        if (!closes)
            QVERIFY(textOf(w).endsWith(edited ? QStringLiteral("old!") : QStringLiteral("old")));
    }

    void newAndOpenAskBeforeDroppingChanges()
    {
        txtedit w;
        type(w, QStringLiteral("draft"));
        ModalAnswerer answers;
        answers.press(QMessageBox::Cancel);
        actionOf(w, "actionNew")->trigger();
        answers.press(QMessageBox::Save);
        answers.cancel(); // the save dialog
        actionOf(w, "actionNew")->trigger();
        answers.press(QMessageBox::Cancel);
        actionOf(w, "actionOpen")->trigger();
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(textOf(w), QStringLiteral("draft"));
        QVERIFY(w.fileName.isNull());
        QCOMPARE(answers.seen().size(), 4); // no open dialog after Cancel
        QCOMPARE(answers.unexpected(), 0);
    }

    void filesSaveBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");

        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac\n") << QStringLiteral("café €\n");
        QTest::newRow("UTF-8 with BOM")
            << QByteArray("\xef\xbb\xbfna\xc3\xafve\n") << QStringLiteral("naïve\n");
        QTest::newRow("8-bit with no-break space") << QByteArray("caf\xe9\xa0"
                                                                 "fin\n")
                                                   << QString::fromUtf8("café\u00a0fin\n");
        QTest::newRow("CR LF line ends") << QByteArray("one\r\ntwo\r\n") << QStringLiteral("one\ntwo\n");
        QTest::newRow("NUL byte") << QByteArray("a\0b\n", 4)
                                  << QString(QStringLiteral("a") + QChar(0) + "b\n");
        QTest::newRow("line separator and NBSP in UTF-8") << QByteArray("a\xe2\x80\xa8"
                                                                        "b\xc2\xa0"
                                                                        "c")
                                                          << QString::fromUtf8("a\u2028b\u00a0c");
        QTest::newRow("empty file") << QByteArray() << QString();
    }

    void filesSaveBackByteForByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString path = m_dir.filePath(QStringLiteral("round.txt"));
        writeFile(path, bytes);
        txtedit w;
        w.openFile(path);
        QCOMPARE(brivo::documentText(editOf(w)->document()), shown);
        actionOf(w, "actionSave")->trigger();
        QCOMPARE(readFile(path), bytes);
    }

    void htmlLookingTextStaysItsSource()
    {
        const QByteArray source = "<html><body><b>bold</b> &amp; <i>x</i></body></html>\n";
        const QString path = m_dir.filePath(QStringLiteral("page.txt"));
        writeFile(path, source);
        txtedit w;
        w.openFile(path);
        QCOMPARE(textOf(w), QString::fromUtf8(source));
        type(w, QStringLiteral("<p>more</p>"));
        actionOf(w, "actionSave")->trigger();
        QCOMPARE(readFile(path), source + "<p>more</p>");
    }

    void missingAndUnreadablePaths()
    {
        // Nothing at the path: an empty document under that name, which saving creates.
        const QString fresh = m_dir.filePath(QStringLiteral("fresh.txt"));
        txtedit w;
        w.openFile(fresh);
        QCOMPARE(w.fileName, fresh);
        QCOMPARE(statusOf(w), QStringLiteral("Opened : ") + fresh + QStringLiteral("|color:blue;"));
        type(w, QStringLiteral("new"));
        actionOf(w, "actionSave")->trigger();
        QCOMPARE(readFile(fresh), QByteArray("new"));

        // Something that cannot be read: reported, and the window stays as it was, edits included.
        ModalAnswerer answers;
        type(w, QStringLiteral(" edit"));
        answers.press(QMessageBox::Ok);
        w.openFile(m_dir.path());
        QCOMPARE(answers.last().title, QStringLiteral("Error"));
        QCOMPARE(w.fileName, fresh);
        QCOMPARE(textOf(w), QStringLiteral("new edit"));
        QCOMPARE(statusOf(w), QStringLiteral("Saved : ") + fresh + QStringLiteral("|color:red;"));

        txtedit unread;
        answers.press(QMessageBox::Ok);
        unread.openFile(m_dir.path());
        QVERIFY(unread.fileName.isNull());
        QCOMPARE(statusOf(unread), QStringLiteral("Brivo-TextEdit : New|color:blue;"));
        QCOMPARE(answers.unexpected(), 0);
    }

    void largeFilesLoadInTheBackground()
    {
        QByteArray big;
        for (int i = 0; big.size() < 3 * 1024 * 1024; ++i)
            big += "line " + QByteArray::number(i) + " of a large file\n";
        const QString path = m_dir.filePath(QStringLiteral("big.txt"));
        writeFile(path, big);

        txtedit w;
        w.show();
        w.openFile(path);
        QVERIFY(w.isLoading());
        QVERIFY(editOf(w)->isReadOnly());
        QVERIFY(!actionOf(w, "actionSave")->isEnabled());
        QCOMPARE(statusOf(w), QStringLiteral("Opening : ") + path + QStringLiteral("|color:blue;"));
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 60000);
        QCOMPARE(statusOf(w), QStringLiteral("Opened : ") + path + QStringLiteral("|color:blue;"));
        QVERIFY(!editOf(w)->isReadOnly() && actionOf(w, "actionSave")->isEnabled());
        QCOMPARE(editOf(w)->document()->blockCount(), big.count('\n') + 1);
        QCOMPARE(editOf(w)->font().pointSize(), 14);
        QCOMPARE(editOf(w)->document()->defaultFont().pointSize(), 14);

        // New while a file is still coming in: the file never replaces the new document.
        txtedit late;
        late.openFile(path);
        actionOf(late, "actionNew")->trigger();
        QVERIFY(!late.isLoading() && !editOf(late)->isReadOnly());
        QTest::qWait(2000);
        QCOMPARE(textOf(late), QString());
        QCOMPARE(late.fileName, QString());
        QCOMPARE(statusOf(late), QStringLiteral("Brivo-TextEdit : New|color:blue;"));
    }

    void tallDocumentsKeepTheirScrollRange()
    {
        // QTextEdit's own scroll range arithmetic overflows past about 21 million pixels; a larger font
        // gets a short text there sooner.
        txtedit w;
        w.show();
        QTextEdit *edit = editOf(w);
        QFont font = edit->font();
        font.setPointSize(30);
        edit->setFont(font);
        const int lines = int(24'000'000 / QFontMetricsF(font).lineSpacing());
        edit->setPlainText(QStringLiteral("x\n").repeated(lines));
        const double height = edit->document()->documentLayout()->documentSize().height();
        QVERIFY(height > 22'000'000);
        QTest::qWait(200);

        // Without the guard the scroll bar hides and shows again, and each time the whole text is laid
        // out anew, so the range never settles.
        QScrollBar *bar = edit->verticalScrollBar();
        const int width = edit->viewport()->width();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->maximum(), int(height) - edit->viewport()->height());
        type(w, QStringLiteral("y"));
        QTest::qWait(200);
        QVERIFY(bar->isVisible());
        QCOMPARE(edit->viewport()->width(), width);
        QVERIFY(bar->maximum() >= int(height) - edit->viewport()->height());

        // Back to a short text, the scroll bar shows only when needed again.
        edit->setPlainText(QStringLiteral("short"));
        QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    }

    void printAsPdf()
    {
        txtedit w;
        editOf(w)->setPlainText(QStringLiteral("printed text"));
        const QString pdf = m_dir.filePath(QStringLiteral("out.pdf"));
        ModalAnswerer answers;
        answers.cancel();
        actionOf(w, "actionPrint_As_Pdf")->trigger();
        QCOMPARE(answers.last().title, QStringLiteral("Save File"));
        QCOMPARE(answers.last().text, QStringLiteral("Pdfs (*.pdf)"));
        QVERIFY(!QFile::exists(pdf));

        answers.chooseFile(pdf);
        actionOf(w, "actionPrint_As_Pdf")->trigger();
        std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
        QVERIFY(document && !document->isLocked());
        QCOMPARE(document->numPages(), 1);
        std::unique_ptr<Poppler::Page> page = document->page(0);
        QVERIFY(page->text(QRectF()).contains(QStringLiteral("printed text")));
        QCOMPARE(answers.unexpected(), 0);
    }

    void menuActionsReachTheirSlots()
    {
        const QString path = m_dir.filePath(QStringLiteral("opened.txt"));
        writeFile(path, "hello");
        auto *w = qobject_cast<txtedit *>(brivo::openTool(brivo::Tool::Notepad, path));
        QVERIFY(w && w->isVisible());
        QCOMPARE(textOf(*w), QStringLiteral("hello"));

        ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        actionOf(*w, "actionMe")->trigger();
        QCOMPARE(answers.last().title, QStringLiteral("About Me"));
        QVERIFY(answers.last().text.startsWith(QStringLiteral("Author : K.VARDEN <br/> Email : ")));
        answers.press(QMessageBox::Ok);
        actionOf(*w, "actionTextEdit")->trigger();
        QCOMPARE(answers.last().title, QStringLiteral("About TextEdit"));
        QCOMPARE(answers.last().text, QStringLiteral("It is an TextEditor"));

        actionOf(*w, "actionHome")->trigger();
        QCOMPARE(brivo::test::visibleWindows<showmain>().size(), 1);
        QVERIFY(w->isVisible());
        actionOf(*w, "actionExit")->trigger();
        QVERIFY(!w->isVisible());
        QCOMPARE(answers.unexpected(), 0);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_txtedit)
#include "tst_txtedit.moc"
