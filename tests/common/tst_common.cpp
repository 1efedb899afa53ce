// What the editors share: text files, saves, the state folder, the status line, the save question.
#include "common/savequestion.h"
#include "common/statefolder.h"
#include "common/statusline.h"
#include "common/textdocumentfile.h"
#include "common/textfile.h"
#include "common/viewkeys.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

using namespace brivo;
using namespace brivo::test;

Q_DECLARE_METATYPE(brivo::TextEncoding)
Q_DECLARE_METATYPE(brivo::LineEnd)

class tst_common : public QObject
{
    Q_OBJECT
private slots:
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
        QVERIFY(brivo::readTextFile(path, &read, &format, &error, &exceptions));
        QCOMPARE(read, text);
        QCOMPARE(format.encoding, encoding);
        QCOMPARE(format.lineEnd, lineEnd);
        QCOMPARE(exceptions.size(), differing);
        QVERIFY(brivo::writeTextFile(path, read, &format, &error, exceptions));
        QCOMPARE(readFile(path), bytes);

        LoadedDocument loaded = brivo::loadTextDocument(path, QFont(), QThread::currentThread());
        QCOMPARE(capturedBytes(captureDocument(loaded.document.get()), &loaded.format, LineSeparators::Keep),
                 bytes);
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
    // once the new content is on the disk (tst_recovery fails such a write and finds the copy named).
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

        ModalAnswerer modal;
        modal.act([](QWidget *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(brivo::askToSaveChanges(), QMessageBox::Cancel); // Escape is Cancel
        const auto seen = modal.last();
        QCOMPARE(seen.text, QStringLiteral("The document has been modified."));
        QCOMPARE(seen.informativeText, QStringLiteral("Do you want to save your changes?"));
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
};

QTEST_MAIN(tst_common)
#include "tst_common.moc"
