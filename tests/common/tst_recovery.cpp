// Recovery copies: taken, offered after a crash, restored, discarded; the old content of a failed save.
#include "app/recoveryoffer.h"
#include "common/documentcapture.h"
#include "common/documentrecovery.h"
#include "common/recoverydialog.h"
#include "common/recoverystore.h"
#include "ide/ide.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "txtedit/txtedit.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <cstdio>

using namespace brivo;
using brivo::test::readFile;
using brivo::test::writeFile;

namespace {

// A Brivo process in miniature: leaves a copy of `text` for each tool ("notepad" under the file `path`,
// "ide" untitled), says "ready" and waits to be killed.
int leaveCopiesAndWait(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[2]);
    const QString text = QString::fromUtf8(argv[3]);
    for (const char *tool : {"notepad", "ide"}) {
        RecoveryCopy copy;
        copy.tool = QLatin1String(tool);
        copy.path = copy.tool == QLatin1String("ide") ? QString() : path;
        copy.format = {TextEncoding::EightBit, LineEnd::CrLf};
        copy.cursor = 4;
        copy.time = QDateTime::currentDateTime();
        copy.id = RecoveryStore::instance()->newId();
        // A document's raw text: blocks end in U+2029; the second line end is a lone LF in a CR LF file.
        const qsizetype second = text.indexOf(u'\n', text.indexOf(u'\n') + 1);
        CapturedText captured{QString(text).replace(u'\n', QChar::ParagraphSeparator),
                              {{second, LineEnd::Lf}}};
        RecoveryStore::instance()->write(copy, captured, LineSeparators::Keep, nullptr, {});
    }
    RecoveryStore::instance()->waitForWrites();
    std::puts("ready");
    std::fflush(stdout);
    QThread::sleep(60);
    return 0;
}

} // namespace

class tst_recovery : public QObject
{
    Q_OBJECT
    std::unique_ptr<test::TemporaryStateFolder> m_state;
    QTemporaryDir m_dir;
    std::unique_ptr<test::CurrentDirectory> m_cwd;
    std::unique_ptr<test::ModalAnswerer> m_modal;

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static RecoveryStore *store() { return RecoveryStore::instance(); }
    static QPlainTextEdit *editOf(QWidget *w)
    {
        return w->findChild<QPlainTextEdit *>(QStringLiteral("textEdit"));
    }
    static QAbstractButton *button(QWidget *dialog, const char *text)
    {
        for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>())
            if (b->text() == QLatin1String(text))
                return b;
        return nullptr;
    }
    static QString status(QLabel *label) { return label->text() + '|' + label->styleSheet(); }
    // Waits until the window's copy is written (or removed).
    static bool settled(DocumentRecovery *recovery)
    {
        const bool idle = QTest::qWaitFor([recovery] { return recovery->isIdle(); }, 10000);
        store()->waitForWrites();
        return idle;
    }
    static QByteArray textOfOnlyCopy()
    {
        const QList<RecoveryCopy> copies = store()->copies();
        return copies.size() == 1 ? readFile(copies.first().textPath) : QByteArray("(not one copy)");
    }

    // Starts a process that leaves copies as a Brivo process would, and kills it once they are written.
    void crashedProcessLeavesCopies(const QString &documentPath, const QString &text, bool kill = true)
    {
        m_child = std::make_unique<QProcess>();
        m_child->start(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--leave-copies"), documentPath, text});
        QVERIFY(m_child->waitForReadyRead(20000));
        QCOMPARE(m_child->readAll().trimmed(), QByteArray("ready"));
        if (kill) {
            ::kill(pid_t(m_child->processId()), SIGKILL);
            QVERIFY(m_child->waitForFinished());
        }
    }
    std::unique_ptr<QProcess> m_child;

private slots:
    void initTestCase()
    {
        m_state = std::make_unique<test::TemporaryStateFolder>();
        DocumentRecovery::setDelayForTesting(50);
        // The code editor warns at its start unless an "IDE" folder is in the current one.
        QDir(m_dir.path()).mkdir(QStringLiteral("IDE"));
        m_cwd = std::make_unique<test::CurrentDirectory>(m_dir.path());
        // This process's folder is made by the user nobody, so that a test acting as nobody can write there
        // too (see ActAsNobody); the rest of the state folder is open to it.
        test::openToEveryone(m_state->path());
        test::ActAsNobody nobody;
        QString error;
        store()->discardKept(store()->keepBeforeSave(path("x"), "x", QStringLiteral("notepad"), &error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    void cleanupTestCase()
    {
        // The store lets go of this process's lock before the state folder goes.
        delete store();
    }
    void init() { m_modal = std::make_unique<test::ModalAnswerer>(); }
    void cleanup()
    {
        QCOMPARE(m_modal->unexpected(), 0);
        if (m_child && m_child->state() != QProcess::NotRunning) {
            m_child->kill();
            m_child->waitForFinished();
        }
        test::closeAllWindows();
        store()->waitForWrites();
        for (const RecoveryCopy &copy : store()->copies())
            store()->remove(copy.id);
        store()->waitForWrites();
    }

    void copiesFollowUnsavedTextAndGoWhenItIsSavedOrDiscarded()
    {
        const QString file = path("notes.txt");
        writeFile(file, "first\r\nsecond\n\r\n"); // line ends of both kinds: the copy keeps them
        txtedit w;
        w.show();
        w.openFile(file);
        editOf(&w)->insertPlainText(QStringLiteral("typed "));
        QVERIFY(settled(w.recovery()));
        QCOMPARE(textOfOnlyCopy(), QByteArray("typed first\r\nsecond\n\r\n"));
        const RecoveryCopy copy = store()->copies().value(0);
        QVERIFY(copy.tool == "notepad" && copy.path == file && copy.cursor == 6 && !copy.beforeSave);
        QCOMPARE(copy.format.lineEnd, LineEnd::CrLf);
        w.on_actionSave_triggered(); // removes the copy
        QVERIFY(settled(w.recovery()) && store()->copies().isEmpty());

        // Cancel in the close question keeps the copy; Discard removes it.
        editOf(&w)->insertPlainText(QStringLiteral("x"));
        QVERIFY(settled(w.recovery()) && store()->copies().size() == 1);
        m_modal->press(QMessageBox::Cancel);
        QVERIFY(!w.close() && settled(w.recovery()) && store()->copies().size() == 1);
        m_modal->press(QMessageBox::Discard);
        QVERIFY(w.close() && settled(w.recovery()) && store()->copies().isEmpty());

        // The code editor alike; an empty new document has nothing worth a copy.
        ide code;
        editOf(&code)->insertPlainText(QStringLiteral("int main() {}\n"));
        QVERIFY(settled(code.recovery()));
        QCOMPARE(textOfOnlyCopy(), QByteArray("int main() {}\n"));
        QVERIFY(store()->copies().value(0).tool == "ide" && store()->copies().value(0).path.isEmpty());
        editOf(&code)->clear();
        QVERIFY(settled(code.recovery()) && store()->copies().isEmpty());
    }

    // While typing goes on, a copy follows every interval, not only once the keys stop.
    void copiesAreTakenWhileTypingGoesOn()
    {
        DocumentRecovery::setDelayForTesting(100);
        txtedit w;
        QElapsedTimer typing;
        typing.start();
        while (typing.elapsed() < 600) {
            editOf(&w)->insertPlainText(QStringLiteral("k"));
            QTest::qWait(20);
        }
        store()->waitForWrites();
        const QByteArray copied = textOfOnlyCopy();
        DocumentRecovery::setDelayForTesting(50);
        QVERIFY2(copied.size() > 0 && copied == QByteArray(copied.size(), 'k'), copied.constData());
        QVERIFY(settled(w.recovery()));
        QCOMPARE(textOfOnlyCopy(), editOf(&w)->toPlainText().toUtf8());
    }

    // Edits made while a capture runs, before and after the part already copied, all reach the copy; later
    // captures, built on the one before, take in every edit made since, wherever it was.
    void capturesFollowEveryEdit()
    {
        QRandomGenerator random(20261207);
        QTextDocument document;
        auto edit = [&] {
            QTextCursor cursor(&document);
            const int length = document.characterCount() - 1;
            cursor.setPosition(random.bounded(length + 1));
            if (random.bounded(3) == 0) {
                cursor.setPosition(qMin(length, cursor.position() + random.bounded(40)),
                                   QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
            } else if (random.bounded(8) == 0) {
                document.undo();
            } else {
                cursor.insertText(random.bounded(2) ? QStringLiteral("\u20ac\n") : QStringLiteral("ab"));
            }
        };
        for (int round = 0; round < 4; ++round) {
            document.setPlainText(QStringLiteral("line of text, caf\u00e9\n").repeated(300));
            DocumentCapture capture;
            capture.setSliceSizeForTesting(101);
            capture.start(&document);
            int edits = 0;
            for (; capture.isRunning(); ++edits) {
                edit();
                QCoreApplication::processEvents();
            }
            QVERIFY(edits > 20);
            QCOMPARE(capture.take().raw, document.toRawText());
            for (int again = 0; again < 10; ++again) {
                for (int i = random.bounded(4); i >= 0; --i)
                    edit();
                capture.start(&document);
                QVERIFY(!capture.isRunning()); // a small change is copied at once
                QCOMPARE(capture.take().raw, document.toRawText());
            }
            // A large change is copied again in slices.
            QTextCursor(&document).insertText(QStringLiteral("large ").repeated(60000));
            edit();
            capture.start(&document);
            QVERIFY(capture.isRunning());
            while (capture.isRunning())
                QCoreApplication::processEvents();
            QCOMPARE(capture.take().raw, document.toRawText());
        }
    }

    // Copies of a running process are never offered; once it has ended, to one finder at a time. Later
    // keeps them; Discard asks first, then deletes them with their process's folder.
    void orphansAreOfferedOnceTheirProcessEndsAndDiscardAsksFirst()
    {
        crashedProcessLeavesCopies(path("left.txt"), QStringLiteral("one\ntwo\nthree"), false);
        QVERIFY(OrphanedCopies().copies().isEmpty()); // its process runs
        ::kill(pid_t(m_child->processId()), SIGKILL);
        QVERIFY(m_child->waitForFinished());
        {
            OrphanedCopies orphans;
            QCOMPARE(orphans.copies().size(), 2);
            QVERIFY(OrphanedCopies().copies().isEmpty()); // held by the first finder
        }
        m_modal->act([](QWidget *modal) { QTest::keyClick(modal, Qt::Key_Escape); }); // Later
        offerRecoveredDocuments();
        QVERIFY(test::visibleWindows<txtedit>().isEmpty());
        // Clicked from the event loop: the question it opens is answered like any other.
        auto clickDiscard = [](QWidget *modal) {
            QMetaObject::invokeMethod(button(modal, "Discard"), &QAbstractButton::click,
                                      Qt::QueuedConnection);
        };
        m_modal->act(clickDiscard);
        m_modal->press(QMessageBox::Cancel); // not yet: back to the list
        m_modal->act(clickDiscard);
        m_modal->press(QMessageBox::Discard);
        offerRecoveredDocuments();
        QVERIFY(m_modal->waitUntilAnswered());
        QCOMPARE(m_modal->seen().size(), 5);
        QVERIFY(m_modal->last().text.contains(QLatin1String("2 document(s)")));
        QVERIFY(OrphanedCopies().copies().isEmpty() && test::visibleWindows<txtedit>().isEmpty());
        QCOMPARE(QDir(recoveryFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(),
                 2); // this process's folder and its lock are left
    }

    // Restore opens each copy in its tool with its file name, the changed marker, its text and cursor.
    void restoreOpensEachCopyInItsTool()
    {
        const QString file = path("left.txt");
        crashedProcessLeavesCopies(file, QString::fromUtf8("caf\xC3\xA9\none\ntwo\n"));
        m_modal->act([file](QWidget *modal) {
            auto *dialog = qobject_cast<RecoveryDialog *>(modal);
            auto *list = modal->findChild<QTreeWidget *>(QStringLiteral("recoveredDocuments"));
            QStringList rows;
            for (int i = 0; list && i < list->topLevelItemCount(); ++i)
                rows << QStringList{list->topLevelItem(i)->text(0), list->topLevelItem(i)->text(1),
                                    list->topLevelItem(i)->text(2)}
                            .join('|');
            rows.sort();
            // The folder too: a file of the same name elsewhere is another file.
            const QString folder = QDir::toNativeSeparators(QFileInfo(file).path());
            if (dialog && rows == QStringList{"Untitled||IDE", "left.txt|" + folder + "|Notepad"})
                button(modal, "Restore")->click();
            else
                modal->close();
        });
        offerRecoveredDocuments();
        QCOMPARE(m_modal->last().title, QStringLiteral("Brivo : Recover Unsaved Text"));

        const QList<txtedit *> notepads = test::visibleWindows<txtedit>();
        const QList<ide *> editors = test::visibleWindows<ide>();
        QVERIFY(notepads.size() == 1 && editors.size() == 1);
        txtedit *notepad = notepads.first();
        QCOMPARE(status(notepad->statusLabel), "Saved : " + file + "|color:red;");
        QCOMPARE(editOf(notepad)->toPlainText(), QString::fromUtf8("caf\xC3\xA9\none\ntwo\n"));
        QCOMPARE(editOf(notepad)->textCursor().position(), 4);
        QCOMPARE(status(editors.first()->statusLabel), QStringLiteral("Saved : |color:red;"));
        QVERIFY(editors.first()->fileName.isEmpty());
        // Both copies are this process's now; nothing is left to offer.
        QCOMPARE(store()->copies().size(), 2);
        QVERIFY(OrphanedCopies().copies().isEmpty());
        notepad->on_actionSave_triggered(); // in the copy's 8-bit encoding and its line ends
        QCOMPARE(readFile(file), QByteArray("caf\xE9\r\none\ntwo\r\n"));
    }

    // A copy whose record cannot be read keeps its text: offered as an untitled document, never deleted.
    void aDamagedRecordKeepsItsText()
    {
        const QString folder = recoveryFolder() + "/99999-damaged";
        QVERIFY(writeFile(folder + "/1.json", "{\"tool\": \"notepad\", \"pa") &&
                writeFile(folder + "/1-notes.txt", "caf\xC3\xA9\r\nkept\r\n"));
        m_modal->act([](QWidget *modal) {
            auto *list = modal->findChild<QTreeWidget *>(QStringLiteral("recoveredDocuments"));
            if (list && list->topLevelItemCount() == 1 &&
                list->topLevelItem(0)->text(0) == "Untitled (record damaged)")
                button(modal, "Restore")->click();
            else
                modal->close();
        });
        offerRecoveredDocuments();
        const QList<txtedit *> notepads = test::visibleWindows<txtedit>();
        QVERIFY(notepads.size() == 1 && notepads.first()->fileName.isEmpty());
        QCOMPARE(editOf(notepads.first())->toPlainText(), QString::fromUtf8("caf\xC3\xA9\nkept\n"));
        QVERIFY(OrphanedCopies().copies().isEmpty() && !QFileInfo::exists(folder));
    }

    // Undo back to the text as it was opened or saved clears the changed marker in both editors and drops
    // the copy: closing asks nothing about a document equal to its file.
    void undoBackToTheSavedText()
    {
        const QString file = path("undo.txt");
        writeFile(file, "saved\n");
        const auto check = [this](auto &w, DocumentRecovery *recovery) {
            w.show();
            const QString opened = status(w.statusLabel);
            editOf(&w)->insertPlainText(QStringLiteral("typed"));
            QVERIFY(settled(recovery) && store()->copies().size() == 1);
            editOf(&w)->undo();
            QCOMPARE(status(w.statusLabel), opened);
            QVERIFY(settled(recovery) && store()->copies().isEmpty());
            editOf(&w)->insertPlainText(QStringLiteral("a"));
            w.on_actionSave_triggered();
            const QString saved = status(w.statusLabel);
            editOf(&w)->insertPlainText(QStringLiteral("b"));
            QVERIFY(status(w.statusLabel).endsWith("color:red;"));
            editOf(&w)->undo();
            QCOMPARE(status(w.statusLabel), saved);
            QVERIFY(w.close()); // no question
        };
        txtedit notepad;
        notepad.openFile(file);
        check(notepad, notepad.recovery());
        ide code;
        code.openFile(file);
        check(code, code.recovery());
    }

    // A file in a read-only folder is saved in place; when that write fails, the error names the copy of
    // the old content, which the next start would offer. A later save that works removes it.
    void aFailedSaveInPlaceNamesTheKeptContent()
    {
        const QString file = path("read-only/notes.txt");
        writeFile(file, "old content\n");
        test::openToEveryone(m_dir.path());
        QFile::setPermissions(path("read-only"), QFileDevice::Permissions(0x5555));
        DocumentRecovery::setDelayForTesting(60000); // no copy of the typed text meanwhile
        txtedit w;
        w.openFile(file);
        editOf(&w)->insertPlainText(QString(6000, u'y'));
        test::ActAsNobody nobody;
        {
            test::FileSizeLimit limit(4096);
            m_modal->press(QMessageBox::Ok);
            w.on_actionSave_triggered();
        }
        const QList<RecoveryCopy> kept = store()->copies();
        QVERIFY(kept.size() == 1 && kept.first().beforeSave && kept.first().path == file);
        QCOMPARE(readFile(kept.first().textPath), QByteArray("old content\n"));
        QCOMPARE(m_modal->last().title, QStringLiteral("Error"));
        QVERIFY2(m_modal->last().text.endsWith("Its previous content is kept in " + kept.first().textPath),
                 qPrintable(m_modal->last().text));
        QCOMPARE(status(w.statusLabel), "Saved : " + file + "|color:red;");

        w.on_actionSave_triggered();
        QCOMPARE(readFile(file), QString(6000, u'y').toUtf8() + "old content\n");
        QVERIFY(store()->copies().isEmpty());
        DocumentRecovery::setDelayForTesting(50);
    }
};

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--leave-copies") == 0)
        return leaveCopiesAndWait(argc, argv);
    QApplication app(argc, argv);
    tst_recovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
