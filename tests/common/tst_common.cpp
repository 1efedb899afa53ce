// What the editors share (text files, saves, recovery copies, find and replace and the other tools around
// the text), and the notepad's window.
#include "app/recoveryoffer.h"
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "common/documentcapture.h"
#include "common/documentrecovery.h"
#include "common/editorsearch.h"
#include "common/editortools.h"
#include "common/findbar.h"
#include "common/recentfiles.h"
#include "common/recoverydialog.h"
#include "common/recoverystore.h"
#include "common/savequestion.h"
#include "common/statefolder.h"
#include "common/statusline.h"
#include "common/textdocumentfile.h"
#include "common/textfile.h"
#include "common/textsearch.h"
#include "common/viewkeys.h"
#include "ide/ide.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "txtedit/txtedit.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <cstdio>

#include <poppler-qt6.h>

using namespace brivo;
using namespace brivo::test;

Q_DECLARE_METATYPE(brivo::TextEncoding)
Q_DECLARE_METATYPE(brivo::LineEnd)
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

void setFindText(FindBar *bar, const QString &text)
{
    auto *field = bar->findChild<QLineEdit *>(QStringLiteral("findEdit"));
    field->selectAll();
    QTest::keyClicks(field, text); // as typed, so the search follows each key
}

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

class tst_common : public QObject
{
    Q_OBJECT
    std::unique_ptr<test::TemporaryStateFolder> m_state;
    QTemporaryDir m_dir;
    std::unique_ptr<test::CurrentDirectory> m_cwd;
    std::unique_ptr<test::ModalAnswerer> m_modal;

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static RecoveryStore *store() { return RecoveryStore::instance(); }
    static QPlainTextEdit *editOf(const QWidget *w)
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
    static QString textOf(const txtedit &w) { return editOf(&w)->toPlainText(); }
    static void trigger(txtedit &w, const char *action) { w.findChild<QAction *>(action)->trigger(); }
    // Types at the cursor, which is at the start of the text after a file is opened.
    static void type(txtedit &w, const QString &text) { editOf(&w)->insertPlainText(text); }

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

    // Every mix of line ends comes back byte for byte, from the file and through a text document; a line
    // added in the document takes the file's most common line end.
    void filesRoundTripByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<LineEnd>("lineEnd");
        QTest::addColumn<int>("differing"); // line ends that differ from the most common one
        const TextEncoding utf8 = TextEncoding::Utf8, eightBit = TextEncoding::EightBit;
        QTest::newRow("empty") << QByteArray() << QString() << utf8 << nativeLineEnd << 0;
        QTest::newRow("UTF-8, BOM, CR LF") << QByteArray("\xEF\xBB\xBFhi\r\nthere\r\n") << "hi\nthere\n"
                                           << TextEncoding::Utf8WithBom << LineEnd::CrLf << 0;
        QTest::newRow("Latin-1, CR LF")
            << QByteArray("\xE9t\xE9\r\nhiver\r\n") << QString::fromLatin1("\xE9t\xE9\nhiver\n") << eightBit
            << LineEnd::CrLf << 0;
        QTest::newRow("truncated UTF-8")
            << QByteArray("ab\xC3") << QString::fromLatin1("ab\xC3") << eightBit << nativeLineEnd << 0;
        QTest::newRow("line separator, no-break space") // toPlainText() would make them "\n" and " "
            << QByteArray("a\xE2\x80\xA8-\xC2\xA0\n") << QString::fromUtf8("a\u2028-\u00a0\n") << utf8
            << LineEnd::Lf << 0;
        QTest::newRow("NUL bytes") << QByteArray("a\0b\n", 4) << QString::fromLatin1("a\0b\n", 4) << utf8
                                   << LineEnd::Lf << 0;
        QTest::newRow("mostly LF, one CR LF")
            << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\nb\r\nc\nd\n") << QString::fromUtf8("café €\nb\nc\nd\n")
            << utf8 << LineEnd::Lf << 1;
        QTest::newRow("lone CRs, one CR LF, no final line end")
            << QByteArray("a\rb\rc\r\nd") << "a\nb\nc\nd" << utf8 << LineEnd::Cr << 1;
        QTest::newRow("mostly CR LF, LF first, no final line end")
            << QByteArray("a\nb\r\nc\r\n\r\nd") << "a\nb\nc\n\nd" << utf8 << LineEnd::CrLf << 1;
        QTest::newRow("one of each") << QByteArray("a\nb\r\nc\rd\n") << "a\nb\nc\nd\n"
                                     << utf8 << LineEnd::Lf << 2;
        // Large enough to go into a document in several slices, with a line longer than a slice and line
        // ends that differ on both sides of where slices meet.
        QByteArray large;
        QString largeText;
        for (int i = 0; large.size() < 3'500'000; ++i) {
            const QByteArray line = i == 20000 ? QByteArray(1'500'000, 'w') : "line " + QByteArray::number(i);
            const bool lf = i % 9973 == 0;
            large += line + (lf ? "\n" : "\r\n");
            largeText += QString::fromLatin1(line) + u'\n';
        }
        QTest::newRow("large, CR LF with some LF") << large << largeText << utf8 << LineEnd::CrLf << 17;
        // Never guessed: read as chosen (File > Reopen with Encoding).
        const QString wide = QString::fromUtf8("h\u00e9\r\n\u20ac \U0001F600\r\nz\n");
        QTest::newRow("UTF-16 LE, chosen")
            << "\xFF\xFE" + QStringEncoder(QStringConverter::Utf16LE).encode(wide)
            << QString::fromUtf8("h\u00e9\n\u20ac \U0001F600\nz\n") << TextEncoding::Utf16Le << LineEnd::CrLf
            << 1;
        QTest::newRow("UTF-16 BE, chosen")
            << "\xFE\xFF" + QStringEncoder(QStringConverter::Utf16BE).encode(wide)
            << QString::fromUtf8("h\u00e9\n\u20ac \U0001F600\nz\n") << TextEncoding::Utf16Be << LineEnd::CrLf
            << 1;
    }
    void filesRoundTripByteForByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(TextEncoding, encoding);
        QFETCH(LineEnd, lineEnd);
        QFETCH(int, differing);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        QVERIFY(writeFile(path, bytes));
        QString read, error;
        TextFormat format;
        LineEndExceptions exceptions;
        const bool chosen = encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
        const TextEncoding *as = chosen ? &encoding : nullptr;
        QVERIFY(brivo::readTextFile(path, &read, &format, &error, &exceptions, as));
        QCOMPARE(read, text);
        QCOMPARE(format.encoding, encoding);
        QCOMPARE(format.lineEnd, lineEnd);
        QCOMPARE(exceptions.size(), differing);
        QVERIFY(brivo::writeTextFile(path, read, &format, &error, exceptions));
        QCOMPARE(readFile(path), bytes);

        LoadedDocument loaded = brivo::loadTextDocument(path, QFont(), QThread::currentThread(), as);
        QCOMPARE(capturedBytes(captureDocument(loaded.document.get()), &loaded.format, LineSeparators::Keep),
                 bytes);
        if (chosen)
            return; // the added line below is counted in bytes of one a character
        QTextCursor cursor(loaded.document->begin());
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertText(QStringLiteral("\nx"));
        qsizetype end = 0; // of the first line
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArray added = bytes.left(end) + lineEndBytes(lineEnd) + 'x' + bytes.mid(end);
        QCOMPARE(capturedBytes(captureDocument(loaded.document.get()), &loaded.format, LineSeparators::Keep),
                 added);
    }

    void savesReportFailureInWordsKeepPermissionsAndLoseNoCharacters()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("script.sh"));
        QVERIFY(writeFile(path, "#!/bin/sh\n"));
        const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        QVERIFY(QFile::setPermissions(path, permissions));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("adir")));
        TextFormat format;
        for (const char *bad : {"no/such/dir/x.txt", "adir"}) {
            QString text, writeError, readError;
            QVERIFY(!brivo::writeTextFile(dir.filePath(QLatin1String(bad)), QStringLiteral("x"), &format,
                                          &writeError));
            QVERIFY(!brivo::readTextFile(dir.filePath(QLatin1String(bad)), &text, &format, &readError));
            QVERIFY(!writeError.isEmpty() && !readError.isEmpty());
        }
        // Latin-1 holds "café" and any line break, but not the euro sign, which is named.
        QString lost;
        QVERIFY(brivo::encodingHolds(QString::fromUtf8("caf\xC3\xA9\u2029\n"), TextEncoding::EightBit));
        QVERIFY(!brivo::encodingHolds(QString::fromUtf8("caf\xC3\xA9 5 \xE2\x82\xAC \xE2\x82\xAC"),
                                      TextEncoding::EightBit, &lost));
        QCOMPARE(lost, QString::fromUtf8("\xE2\x82\xAC"));
        QString error;
        format.encoding = TextEncoding::EightBit; // text 8 bits cannot hold is saved as UTF-8, not lost
        const QString text = QString::fromUtf8("#!/bin/sh\necho caf\xC3\xA9 5 \xE2\x82\xAC\n");
        QVERIFY(brivo::writeTextFile(path, text, &format, &error));
        QCOMPARE(readFile(path), text.toUtf8());
        QCOMPARE(format.encoding, TextEncoding::Utf8);
        QCOMPARE(QFile::permissions(path) & permissions, permissions);
    }

    // A writable file in a read-only folder is written in place, its old content kept first; the copy goes
    // once the new content is on the disk (aFailedSaveInPlaceNamesTheKeptContent fails such a write).
    void savesInPlaceKeepTheOldContentUntilTheyAreDone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("read-only/notes.txt"));
        QVERIFY(writeFile(path, "old\n"));
        openToEveryone(dir.path());
        QFile::setPermissions(dir.filePath(QStringLiteral("read-only")), QFileDevice::Permissions(0x5555));
        brivo::test::ActAsNobody nobody;
        QStringList kept, discarded;
        QString refusal;
        OldContentKeeper keeper{[&](const QString &file, const QByteArray &old, QString *error) {
                                    if (!refusal.isEmpty()) {
                                        *error = refusal;
                                        return QString();
                                    }
                                    kept.append(dir.filePath(QStringLiteral("kept%1").arg(kept.size())));
                                    return file == path && writeFile(kept.last(), old) ? kept.last()
                                                                                       : QString();
                                },
                                [&](const QString &copy) { discarded.append(copy); }};
        refusal = QStringLiteral("no room for a copy");
        SaveOutcome outcome = brivo::writeFileKeepingOldContent(path, "refused\n", keeper);
        QVERIFY(!outcome.written && outcome.error.contains(refusal) && readFile(path) == "old\n");
        refusal.clear();

        outcome = brivo::writeFileKeepingOldContent(path, "new\n", keeper);
        QVERIFY(outcome.written && outcome.keptCopy.isEmpty() && readFile(path) == "new\n");
        QVERIFY(kept.size() == 1 && discarded == kept && readFile(kept.first()) == "old\n");

        // Where a temporary file fits, the save is atomic and keeps nothing.
        outcome = brivo::writeFileKeepingOldContent(dir.filePath(QStringLiteral("beside.txt")), "a", keeper);
        QVERIFY(outcome.written && kept.size() == 1);
    }

    // One folder for remembered state, files written whole, and broken or missing ones read as empty.
    void stateFolderAndItsFiles()
    {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        {
            ScopedEnvironmentVariable noOverride("BRIVO_STATE_DIR", {});
            qunsetenv("BRIVO_STATE_DIR");
            ScopedEnvironmentVariable xdg("XDG_STATE_HOME", "/somewhere/state");
            QCOMPARE(brivo::stateFolder(), QStringLiteral("/somewhere/state/brivo"));
            qputenv("XDG_STATE_HOME", "relative/state"); // not absolute: ignored, as the rules say
            QCOMPARE(brivo::stateFolder(), QDir::homePath() + QStringLiteral("/.local/state/brivo"));
        }
#endif
        brivo::test::TemporaryStateFolder state;
        QCOMPARE(brivo::stateFolder(), state.path());
        QVERIFY(brivo::readStateObject(QStringLiteral("missing.json")).isEmpty());
        const QJsonObject recent{{QStringLiteral("files"), QJsonArray{QStringLiteral("/a b.txt")}}};
        QVERIFY(brivo::writeStateObject(QStringLiteral("editors/recent.json"), recent));
        QCOMPARE(brivo::readStateObject(QStringLiteral("editors/recent.json")), recent);
        QCOMPARE(QFile::permissions(state.path() + QStringLiteral("/editors")) & 0x7077,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                     QFileDevice::ExeOwner); // the user's alone
        QVERIFY(writeFile(state.path() + QStringLiteral("/editors/broken.json"), "{\"files\": [")); // cut off
        QVERIFY(brivo::readStateObject(QStringLiteral("editors/broken.json")).isEmpty());
        QVERIFY(brivo::readStateFile(QStringLiteral("editors")).isEmpty()); // a folder, not a file
        QVERIFY(writeFile(state.path() + QStringLiteral("/blocked"), "a file where a folder should be"));
        QString error;
        QVERIFY(!brivo::writeStateFile(QStringLiteral("blocked/x.json"), "{}", &error) && !error.isEmpty());
    }

    void statusLineAndSaveQuestion()
    {
        QMainWindow window;
        window.statusBar();
        window.show();
        QPointer<QLabel> first =
            brivo::replaceStatusLabel(window.statusBar(), nullptr, QStringLiteral("Brivo : "));
        QLabel *label =
            brivo::replaceStatusLabel(window.statusBar(), first, QStringLiteral("Saved : /<b>a</b>"),
                                      QLatin1String(brivo::statusstyle::changed));
        QCOMPARE(label->styleSheet(), QStringLiteral("color:red;"));
        QCOMPARE(label->textFormat(), Qt::PlainText); // a file name is shown as it is, never as markup
        QVERIFY(label->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first); // one label at a time
        QCOMPARE(window.statusBar()->findChildren<QLabel *>().size(), 1);

        ModalAnswerer &modal = *m_modal;
        modal.act([](QWidget *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(brivo::askToSaveChanges(), QMessageBox::Cancel); // Escape is Cancel
        const auto seen = modal.last();
        // (Its texts are checked where each editor asks it.)
        QCOMPARE(seen.buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        QCOMPARE(seen.defaultButton, QMessageBox::Save);
        QVERIFY(!seen.hasParent);
    }

    // A viewer's keys stay on its document: a click on a button or slider (also one inside another widget)
    // gives them back to the view, Tab still reaches the controls, and a text field keeps its click.
    void clickedControlsLeaveTheKeysOnTheView()
    {
        QWidget window, *row = new QWidget(&window), *view = new QWidget(&window);
        view->setFocusPolicy(Qt::StrongFocus);
        auto *field = new QLineEdit(row);
        const QList<QWidget *> controls = {new QPushButton(QStringLiteral("b"), row), new QCheckBox(row),
                                           new QSlider(Qt::Horizontal, row), new QPushButton(&window)};
        for (int i = 0; i < controls.size(); ++i)
            controls[i]->setGeometry(40 * i, 0, 30, 20);
        field->setGeometry(200, 0, 30, 20);
        row->setGeometry(0, 200, 300, 30);
        brivo::keepKeysOnView(view, {row, controls.last()});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window) && view->hasFocus());
        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(controls.contains(QApplication::focusWidget()) || QApplication::focusWidget() == field);
        for (QWidget *control : controls) {
            control->setFocus(Qt::TabFocusReason); // as Tab leaves it
            QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(5, 5));
            QVERIFY2(view->hasFocus() && control->focusPolicy() == Qt::TabFocus,
                     control->metaObject()->className());
        }
        QTest::mouseClick(field, Qt::LeftButton);
        QVERIFY(field->hasFocus());
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

    // Both editors watch their file: a change by another program (in place, by a rename over it, or
    // removing it) shows the bar, and Save over a changed file asks first; Brivo's own save is no change.
    void changesOnDiskAreNoticed_data()
    {
        QTest::addColumn<bool>("codeEditor");
        QTest::addColumn<QString>("change"); // "" for Brivo's own save
        QTest::addColumn<QString>("bar");    // how the bar's message ends; "" when no bar shows
        QTest::addColumn<QString>("button"); // pressed on the bar
        QTest::addColumn<bool>("asks");      // Save asks first (and is cancelled)
        QTest::addColumn<QByteArray>("after");
        const QByteArray mine("mine\nold\n"), theirs("theirs\n");
        const char *changed = "changed by another program.";
        struct Row
        {
            const char *name;
            bool codeEditor;
            const char *change, *bar, *button;
            bool asks;
            QByteArray after;
        };
        const Row rows[] = {
            {"own save", false, "", "", "", false, mine},
            {"own Save As onto it", true, "save as", "", "", false, mine},
            {"written in place", false, "rewrite", changed, "", true, theirs},
            {"renamed over", true, "replace", changed, "", true, theirs},
            {"removed", true, "remove", "removed by another program.", "", false, mine},
            {"reload", false, "replace", changed, "reloadButton", false, theirs},
            {"keep mine", true, "rewrite", changed, "keepMineButton", false, mine},
        };
        for (const Row &row : rows)
            QTest::newRow(row.name) << row.codeEditor << QString(row.change) << QString(row.bar)
                                    << QString(row.button) << row.asks << row.after;
    }
    void changesOnDiskAreNoticed()
    {
        QFETCH(bool, codeEditor);
        QFETCH(QString, change);
        QFETCH(QString, bar);
        QFETCH(QString, button);
        QFETCH(bool, asks);
        QFETCH(QByteArray, after);
        const QString file = path("watched.txt");
        writeFile(file, "old\n");
        std::unique_ptr<QMainWindow> w;
        if (codeEditor) {
            auto *code = new ide;
            code->openFile(file);
            w.reset(code);
        } else {
            auto *notepad = new txtedit;
            notepad->openFile(file);
            w.reset(notepad);
        }
        w->show();
        editOf(w.get())->insertPlainText(QStringLiteral("mine\n"));
        const auto save = [&] { w->findChild<QAction *>(QStringLiteral("actionSave"))->trigger(); };
        if (change.isEmpty()) {
            save();
        } else if (change == QLatin1String("save as")) {
            m_modal->chooseFile(file);
            w->findChild<QAction *>(QStringLiteral("actionSave_As"))->trigger();
        } else if (change == QLatin1String("rewrite")) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write("theirs\n") == 7);
        } else if (change == QLatin1String("replace")) {
            writeFile(file + ".new", "theirs\n");
            QVERIFY(::rename(QFile::encodeName(file + ".new"), QFile::encodeName(file)) == 0);
        } else {
            QVERIFY(QFile::remove(file));
        }
        auto *shown = w->findChild<QWidget *>(QStringLiteral("diskChangeBar"));
        if (bar.isEmpty()) {
            QTest::qWait(400);
            QVERIFY(shown->isHidden());
        } else {
            QTRY_VERIFY(shown->isVisible());
            QVERIFY(shown->findChild<QLabel *>()->text().endsWith(bar));
            QCOMPARE(shown->findChild<QPushButton *>(QStringLiteral("reloadButton"))->isEnabled(),
                     change != QLatin1String("remove"));
        }
        if (!button.isEmpty()) {
            shown->findChild<QPushButton *>(button)->click();
            QVERIFY(shown->isHidden());
        }
        if (asks)
            m_modal->press(QMessageBox::Cancel);
        const qsizetype before = m_modal->seen().size();
        save();
        QCOMPARE(m_modal->seen().size() - before, qsizetype(asks));
        if (asks)
            QCOMPARE(m_modal->last().title, QStringLiteral("File changed"));
        QCOMPARE(readFile(file), after);
    }

    // A file whose encoding was guessed wrong is read again in the one chosen, and saved in another; the
    // status bar names it. A file the guess reads as Latin-1 is UTF-16 in truth here.
    void reopenAndSaveWithEncoding()
    {
        const QString file = path("wide.txt");
        const QByteArray utf16 =
            "\xFF\xFE" + QStringEncoder(QStringConverter::Utf16LE).encode(u"caf\u00e9\r\n");
        writeFile(file, utf16);
        txtedit w;
        w.openFile(file);
        QVERIFY(w.tools()->positionLabel()->text().contains("ISO-8859-1"));
        const auto choose = [](QWidget *window, const char *menu, const char *encoding) {
            for (QAction *action : window->findChild<QMenu *>(menu)->actions())
                if (action->text() == QLatin1String(encoding))
                    action->trigger();
        };
        choose(&w, "menuReopen_with_Encoding", "UTF-16 LE");
        QCOMPARE(textOf(w), QString::fromUtf8("caf\u00e9\n"));
        QVERIFY(w.tools()->positionLabel()->text().contains("UTF-16 LE    CRLF"));
        trigger(w, "actionSave");
        QCOMPARE(readFile(file), utf16);
        choose(&w, "menuSave_with_Encoding", "UTF-8 BOM");
        QCOMPARE(readFile(file), QByteArray("\xEF\xBB\xBF"
                                            "caf\xC3\xA9\r\n"));
        choose(&w, "menuSave_with_Encoding", "UTF-16 BE");
        QCOMPARE(readFile(file),
                 "\xFE\xFF" + QStringEncoder(QStringConverter::Utf16BE).encode(u"caf\u00e9\r\n"));
        QVERIFY(w.tools()->positionLabel()->text().contains("UTF-16 BE"));
        // The code editor has the same menus.
        ide code;
        code.openFile(file);
        choose(&code, "menuReopen_with_Encoding", "UTF-16 BE");
        QCOMPARE(editOf(&code)->toPlainText(), QString::fromUtf8("caf\u00e9\n"));
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

    // In a large document the search runs on a worker as the user types: the newest text wins, the match
    // is selected and the count follows; an edit meanwhile drops the stale result.
    void largeDocumentsAreSearchedInTheBackground()
    {
        ide w;
        QPlainTextEdit *edit = editOf(&w);
        const QString line = QStringLiteral("lorem ipsum dolor sit amet\n");
        edit->setPlainText(line.repeated(EditorSearch::backgroundCharacters / line.size()) +
                           QStringLiteral("needle\nlorem needles\n"));
        w.show();
        EditorSearch *search = w.tools()->search();
        FindBar *bar = w.tools()->findBar();
        bar->openFind();
        setFindText(bar, QStringLiteral("needles"));
        setFindText(bar, QStringLiteral("lorem"));
        setFindText(bar, QStringLiteral("needle"));
        QVERIFY(search->isSearching());
        QTRY_VERIFY_WITH_TIMEOUT(!search->isSearching(), 20000);
        QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("needle"));
        QCOMPARE(edit->textCursor().selectionStart(), edit->document()->characterCount() - 22);
        QCOMPARE(bar->message(), QStringLiteral("2 matches"));
        QTest::keyClick(&w, Qt::Key_F3);
        QTRY_VERIFY(!search->isSearching());
        QCOMPARE(edit->textCursor().selectionStart(), edit->document()->characterCount() - 9);
        // Searching, then the text changes: what was found in the old text is not selected.
        setFindText(bar, QStringLiteral("dolor"));
        edit->textCursor().insertText(QStringLiteral("x"));
        QVERIFY(!search->isSearching());
        QTest::qWait(200);
        QCOMPARE(edit->textCursor().selectedText(), QString());
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

        // A line gone to stands in the middle of the view; Select All takes the whole text.
        edit->setPlainText(QString(300, u'\n'));
        w.tools()->goToLine(150);
        QVERIFY(qAbs(edit->cursorRect().center().y() - edit->viewport()->height() / 2) <=
                edit->fontMetrics().height());
        w.findChild<QAction *>(QStringLiteral("actionSelect_All"))->trigger();
        QCOMPARE(edit->textCursor().selectedText().size(), 300);
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
        TemporaryStateFolder state; // nothing remembered yet
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
        // Above Exit, which stays last.
        const QList<QAction *> file = w.findChild<QMenu *>("menuFile")->actions();
        QVERIFY(file.at(file.size() - 3)->menu() == menu && file.last()->objectName() == "actionExit");
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

    void statusAndMarkerFollowTheDocument()
    {
        const QString a = path("a.txt");
        writeFile(a, "first\n");
        txtedit w;
        QVERIFY(status(w.statusLabel) == "Brivo-TextEdit : New|color:blue;" &&
                w.fileName.isNull()); // New makes it empty
        type(w, QStringLiteral("x"));
        QCOMPARE(status(w.statusLabel), QStringLiteral("Saved : |color:red;"));
        m_modal->press(QMessageBox::Discard);
        m_modal->chooseFile(a);
        trigger(w, "actionOpen");
        QVERIFY(status(w.statusLabel) == "Opened : " + a + "|color:blue;" && textOf(w) == "first\n");
        type(w, QStringLiteral("second\n"));
        QCOMPARE(status(w.statusLabel), "Saved : " + a + "|color:red;");
        trigger(w, "actionSave");
        QCOMPARE(status(w.statusLabel), "Saved : " + a + "|color:green;");

        // Save As writes a copy and changes neither the current file nor the marker.
        type(w, QStringLiteral("third\n"));
        m_modal->chooseFile(path("b.txt"));
        trigger(w, "actionSave_As");
        QCOMPARE(readFile(path("b.txt")), QByteArray("second\nthird\nfirst\n"));
        QCOMPARE(status(w.statusLabel), "Saved : " + a + "|color:red;");
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
        QCOMPARE(status(w.statusLabel), "Saved : " + a + "|color:red;");
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
        QCOMPARE(status(w.statusLabel), "Saved : " + file + "|color:green;");
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
        QVERIFY(w.isLoading() && editOf(&w)->isReadOnly() &&
                !w.findChild<QAction *>("actionSave")->isEnabled());
        QCOMPARE(status(w.statusLabel), "Opening : " + path("big.txt") + "|color:blue;");
        // Half a text is never saved, not even in another encoding.
        for (QAction *action : w.findChild<QMenu *>("menuSave_with_Encoding")->actions())
            action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 60000);
        QCOMPARE(readFile(path("big.txt")), big);
        QCOMPARE(status(w.statusLabel), "Opened : " + path("big.txt") + "|color:blue;");
        QVERIFY(!editOf(&w)->isReadOnly() && w.findChild<QAction *>("actionSave")->isEnabled());
        QCOMPARE(editOf(&w)->document()->blockCount(), big.count('\n') + 1);
        QCOMPARE(editOf(&w)->document()->defaultFont().pointSize(), 14); // built on another thread
        // The document handed over is the text area's own: loading is no step to undo, a key marks it
        // changed, and Undo takes back the key alone.
        QVERIFY(!editOf(&w)->document()->isUndoAvailable());
        trigger(w, "actionUndo");
        QCOMPARE(editOf(&w)->document()->blockCount(), big.count('\n') + 1);
        QCOMPARE(status(w.statusLabel), "Opened : " + path("big.txt") + "|color:blue;");
        QTest::keyClick(editOf(&w), Qt::Key_Q);
        QCOMPARE(status(w.statusLabel), "Saved : " + path("big.txt") + "|color:red;");
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
        QTRY_VERIFY(back.isLoading() && editOf(&back)->document()->blockCount() > 1000);
        m_modal->press(QMessageBox::Ok);
        back.openFile(m_dir.path());
        QVERIFY(m_modal->last().title == "Error" && !back.isLoading());
        QCOMPARE(textOf(back), QStringLiteral("changed small text\n"));
        QCOMPARE(status(back.statusLabel), "Saved : " + path("small.txt") + "|color:red;");
        QVERIFY(back.fileName == path("small.txt") && !editOf(&back)->isReadOnly());
        QTest::qWait(300);
        QCOMPARE(textOf(back), QStringLiteral("changed small text\n"));

        // New while a file is still coming in: the file never replaces the new document.
        txtedit late;
        late.openFile(path("big.txt"));
        trigger(late, "actionNew");
        QVERIFY(!late.isLoading() && !editOf(&late)->isReadOnly());
        QTest::qWait(2000);
        QVERIFY(textOf(late).isEmpty() && late.fileName.isEmpty());
        QCOMPARE(status(late.statusLabel), QStringLiteral("Brivo-TextEdit : New|color:blue;"));
    }

    // A text far taller than a scroll bar's int range of pixels still scrolls to its last line, and a key
    // typed there leaves the scroll bar and the text area's width as they were.
    void tallDocumentsScrollToTheirEnd()
    {
        txtedit w;
        w.show();
        QPlainTextEdit *edit = editOf(&w);
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
        editOf(&w)->setPlainText(text);
        QTest::keyClick(editOf(&w), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(editOf(&w)->textCursor().selectionEnd() - editOf(&w)->textCursor().selectionStart(),
                 text.size());
        trigger(w, "actionCopy");
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied && copied->text() == text && !copied->hasHtml());
        QTextCursor middle = editOf(&w)->textCursor();
        middle.setPosition(2);
        middle.setPosition(6, QTextCursor::KeepAnchor);
        editOf(&w)->setTextCursor(middle);
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

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--leave-copies") == 0)
        return leaveCopiesAndWait(argc, argv);
    QApplication app(argc, argv);
    tst_common test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_common.moc"
