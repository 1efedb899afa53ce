// The code editor window: its menus, the status line, the file operations and the close question.
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "ide/ide.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using brivo::test::ModalAnswerer;
using brivo::test::readFile;

namespace {

QTextEdit *editorOf(ide &w)
{
    return w.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

void type(ide &w, const QString &text)
{
    editorOf(w)->moveCursor(QTextCursor::End);
    editorOf(w)->insertPlainText(text);
}

} // namespace

class tst_ide : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<brivo::test::CurrentDirectory> m_cwd;

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static QString style(ide &w) { return w.statusLabel->styleSheet(); }

private slots:
    void initTestCase()
    {
        // The editor looks for its toolchains below the current directory; "ide" in any case will do.
        QDir(m_dir.path()).mkdir(QStringLiteral("ide"));
        m_cwd = std::make_unique<brivo::test::CurrentDirectory>(m_dir.path());
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    void menusAreThoseOfTheContract()
    {
        ide w;
        QCOMPARE(w.size(), QSize(800, 600));
        QCOMPARE(editorOf(w)->font().pointSize(), 14);
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Brivo : "));
        // Menu bar order, entries in order, "-" for a separator.
        const QStringList expected = {
            "File: New|Open|Save|Save As|Print|Print Ad Pdf|-|Exit",
            "Edit: Undo|Redo|-|Cut|Copy|Paste|Delete|-|Search",
            "Build: C/C++|Java|Python|Perl|Ruby|Lisp|Batch|Go|Html|Assembly|Lua",
            "Linker: C/C++ - Linker", "Settings: Clear Java CLass Name", "About: IDE|Me",
            "Help: Compile and Run|Version", "Brivo: Home"};
        QStringList shown;
        for (QAction *entry : w.menuBar()->actions()) {
            QStringList items;
            for (QAction *item : entry->menu()->actions())
                items << (item->isSeparator() ? QStringLiteral("-") : item->text());
            shown << entry->text() + QStringLiteral(": ") + items.join(QLatin1Char('|'));
        }
        QCOMPARE(shown, expected);
        QCOMPARE(w.findChildren<QAction *>(QRegularExpression("^action"), Qt::FindDirectChildrenOnly).size(), 36);
    }

    void startingOutsideTheToolRootWarnsAndStillWorks()
    {
        QTemporaryDir elsewhere;
        brivo::test::CurrentDirectory cwd(elsewhere.path());
        ModalAnswerer answerer;
        answerer.press(QMessageBox::Ok);
        ide w;
        QCOMPARE(answerer.last().title, QStringLiteral("No Compilers Found "));
        QVERIFY(answerer.last().text.contains(QLatin1String("<b>www.brivo-tools.org</b>")));
        type(w, QStringLiteral("x"));
        QCOMPARE(style(w), QStringLiteral("color:red;"));
    }

    void statusFollowsNewEditOpenSaveAndSaveAs()
    {
        ModalAnswerer answerer;
        ide w;
        w.show();
        w.on_actionNew_triggered();
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Brivo : New Unsaved"));
        QCOMPARE(style(w), QStringLiteral("color:blue;"));
        type(w, QStringLiteral("int main() {}\n"));
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Saved : "));
        QCOMPARE(style(w), QStringLiteral("color:red;"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(w.statusBar()->findChildren<QLabel *>(), QList<QLabel *>{w.statusLabel});

        answerer.cancel(); // Save on a new document, cancelled: nothing written, nothing changed
        w.on_actionSave_triggered();
        QCOMPARE(answerer.last().title, QStringLiteral("Brivo : Save file name"));
        QCOMPARE(style(w), QStringLiteral("color:red;"));

        const QString first = path("first.cpp");
        answerer.chooseFile(first);
        w.on_actionSave_triggered();
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Saved : ") + first);
        QCOMPARE(style(w), QStringLiteral("color:green;"));
        QCOMPARE(readFile(first), QByteArray("int main() {}\n"));

        // Save As writes a copy; the current file and the status stay, and Save goes to the first name.
        type(w, QStringLiteral("// more\n"));
        const QString copy = path("copy.cpp");
        answerer.chooseFile(copy);
        w.on_actionSave_As_triggered();
        QCOMPARE(readFile(copy), QByteArray("int main() {}\n// more\n"));
        QCOMPARE(w.fileName, first);
        QCOMPARE(style(w), QStringLiteral("color:red;"));
        w.on_actionSave_triggered();
        QCOMPARE(readFile(first), QByteArray("int main() {}\n// more\n"));

        type(w, QStringLiteral("dropped"));
        answerer.press(QMessageBox::Discard);
        answerer.chooseFile(copy);
        w.on_actionOpen_triggered();
        QCOMPARE(answerer.last().title, QStringLiteral("Brivo : Open A File"));
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Opened : ") + copy);
        QCOMPARE(style(w), QStringLiteral("color:blue;"));
        QCOMPARE(editorOf(w)->toPlainText(), QStringLiteral("int main() {}\n// more\n"));
        QCOMPARE(answerer.unexpected(), 0);
    }

    void failedSaveKeepsNameAndStatus()
    {
        ModalAnswerer answerer;
        ide w;
        const QString folder = path("gone");
        brivo::test::writeFile(folder + QStringLiteral("/a.cpp"), "old\n");
        w.openFile(folder + QStringLiteral("/a.cpp"));
        type(w, QStringLiteral("new"));
        QDir(folder).removeRecursively();
        answerer.press(QMessageBox::Ok);
        w.on_actionSave_triggered();
        QCOMPARE(answerer.last().title, QStringLiteral("Error"));
        QVERIFY(answerer.last().text.contains(folder));
        QCOMPARE(style(w), QStringLiteral("color:red;"));
        QCOMPARE(w.fileName, folder + QStringLiteral("/a.cpp"));

        // A new document whose save fails keeps no name.
        answerer.press(QMessageBox::Discard);
        w.on_actionNew_triggered();
        type(w, QStringLiteral("new"));
        answerer.chooseFile(folder + QStringLiteral("/b.cpp"));
        answerer.press(QMessageBox::Ok);
        w.on_actionSave_triggered();
        QCOMPARE(answerer.last().title, QStringLiteral("Error"));
        QVERIFY(w.fileName.isEmpty());
        QCOMPARE(answerer.unexpected(), 0);
    }

    void filesSaveBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("// Grüße, 你好\nint x;\n") << QStringLiteral("// Grüße, 你好\nint x;\n");
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBFint y; // é\n") << QStringLiteral("int y; // é\n");
        QTest::newRow("Latin-1, no-break space") << QByteArray("caf\xE9\xA0ok\n") << QStringLiteral("caf\u00e9 ok\n");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n");
        QTest::newRow("looks like HTML") << QByteArray("<html><b>bold</b> &amp;</html>\n")
                                         << QStringLiteral("<html><b>bold</b> &amp;</html>\n");
    }
    void filesSaveBackByteForByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString file = path("round.txt");
        QVERIFY(brivo::test::writeFile(file, bytes));
        ide w;
        w.openFile(file);
        QCOMPARE(w.statusLabel->text(), QStringLiteral("Opened : ") + file);
        QCOMPARE(style(w), QStringLiteral("color:blue;"));
        QCOMPARE(editorOf(w)->toPlainText(), shown);
        QVERIFY(brivo::test::writeFile(file, "overwritten"));
        w.on_actionSave_triggered();
        QCOMPARE(readFile(file), bytes);
    }

    void unreadableFileDoesNotBecomeTheCurrentFile()
    {
        ModalAnswerer answerer;
        answerer.press(QMessageBox::Ok);
        ide w;
        w.openFile(m_dir.path()); // a folder
        QCOMPARE(answerer.last().title, QStringLiteral("Error"));
        QVERIFY(w.fileName.isNull());
        // A file that does not exist yet opens empty under its name; Save creates it.
        w.openFile(path("fresh.cpp"));
        QCOMPARE(w.fileName, path("fresh.cpp"));
        type(w, QStringLiteral("x"));
        w.on_actionSave_triggered();
        QCOMPARE(readFile(path("fresh.cpp")), QByteArray("x"));
    }

    void modifiedTextIsNeverLostWithoutAsking()
    {
        ModalAnswerer answerer;
        const QString file = path("close.cpp");
        brivo::test::writeFile(file, "kept\n");
        ide w;
        w.openFile(file);
        w.show();
        type(w, QStringLiteral("edit"));
        // Cancel keeps everything, on close, New and Open alike.
        answerer.press(QMessageBox::Cancel);
        QVERIFY(!w.close());
        answerer.press(QMessageBox::Cancel);
        w.on_actionNew_triggered();
        answerer.press(QMessageBox::Cancel);
        w.on_actionOpen_triggered();
        QVERIFY(w.isVisible());
        QCOMPARE(editorOf(w)->toPlainText(), QStringLiteral("kept\nedit"));
        QCOMPARE(answerer.last().informativeText, QStringLiteral("Do you want to save your changes?"));

        answerer.press(QMessageBox::Save);
        QVERIFY(w.close());
        QCOMPARE(readFile(file), QByteArray("kept\nedit"));
        w.show();
        type(w, QStringLiteral(" dropped"));
        answerer.press(QMessageBox::Discard);
        QVERIFY(w.close());
        QCOMPARE(readFile(file), QByteArray("kept\nedit"));

        // Save whose name dialog is cancelled keeps the window open.
        ide fresh;
        fresh.show();
        type(fresh, QStringLiteral("unsaved"));
        answerer.press(QMessageBox::Save);
        answerer.cancel();
        QVERIFY(!fresh.close());
        QCOMPARE(answerer.unexpected(), 0);
    }

    void printAsPdfUsesTheNameAsTyped()
    {
        ModalAnswerer answerer;
        ide w;
        editorOf(w)->setPlainText(QStringLiteral("printed"));
        answerer.chooseFile(path("out"));
        w.on_actionPrint_Ad_Pdf_triggered();
        QCOMPARE(answerer.last().text, QStringLiteral("Pdfs (*.pdf)"));
        QVERIFY(readFile(path("out")).startsWith("%PDF"));
    }

    void openerHandsTheFileAndHomeLeavesTheEditorOpen()
    {
        const QString file = path("opened.go");
        brivo::test::writeFile(file, "package main\n");
        auto *w = qobject_cast<ide *>(brivo::openTool(brivo::Tool::CodeEditor, file));
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->fileName, file);
        w->on_actionHome_triggered();
        QCOMPARE(brivo::test::visibleWindows<showmain>().size(), 1);
        QVERIFY(w->isVisible());
    }
};

QTEST_MAIN(tst_ide)
#include "tst_ide.moc"
