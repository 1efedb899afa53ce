// What the editors share: text files that round-trip, failing saves, the status line, the save question, PDF.
#include "common/documentprint.h"
#include "common/savequestion.h"
#include "common/statusline.h"
#include "common/textfile.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace brivo;
using namespace brivo::test;

Q_DECLARE_METATYPE(brivo::TextEncoding)

class tst_common : public QObject
{
    Q_OBJECT
private slots:
    void filesRoundTripByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<bool>("crlf");
        const TextEncoding utf8 = TextEncoding::Utf8, eightBit = TextEncoding::EightBit;
        QTest::newRow("empty") << QByteArray() << QString() << utf8 << false;
        QTest::newRow("UTF-8, BOM, CR LF") << QByteArray("\xEF\xBB\xBFhi\r\nthere\r\n") << "hi\nthere\n"
                                           << TextEncoding::Utf8WithBom << true;
        QTest::newRow("Latin-1, CR LF") << QByteArray("\xE9t\xE9\r\nhiver\r\n")
                                        << QString::fromLatin1("\xE9t\xE9\nhiver\n") << eightBit << true;
        QTest::newRow("truncated UTF-8")
            << QByteArray("ab\xC3") << QString::fromLatin1("ab\xC3") << eightBit << false;
        QTest::newRow("NUL bytes") << QByteArray("a\0b\n", 4) << QString::fromLatin1("a\0b\n", 4) << utf8
                                   << false;
        QTest::newRow("UTF-8, mostly LF, a stray CR kept")
            << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\nb\r\nc\nd\n") << QString::fromUtf8("café €\nb\r\nc\nd\n")
            << utf8 << false;
    }
    void filesRoundTripByteForByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(TextEncoding, encoding);
        QFETCH(bool, crlf);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        QVERIFY(writeFile(path, bytes));
        QString read, error;
        TextFormat format;
        QVERIFY(brivo::readTextFile(path, &read, &format, &error));
        QCOMPARE(read, text);
        QCOMPARE(format.encoding, encoding);
        QCOMPARE(format.crlf, crlf);
        QVERIFY(brivo::writeTextFile(path, read, &format, &error));
        QCOMPARE(readFile(path), bytes);
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
        QString error;
        format.encoding = TextEncoding::EightBit; // text 8 bits cannot hold is saved as UTF-8, not lost
        const QString text = QString::fromUtf8("#!/bin/sh\necho caf\xC3\xA9 5 \xE2\x82\xAC\n");
        QVERIFY(brivo::writeTextFile(path, text, &format, &error));
        QCOMPARE(readFile(path), text.toUtf8());
        QCOMPARE(format.encoding, TextEncoding::Utf8);
        QCOMPARE(QFile::permissions(path) & permissions, permissions);
    }

    void statusLineAndSaveQuestion()
    {
        QMainWindow window;
        window.statusBar();
        window.show();
        QPointer<QLabel> first =
            brivo::replaceStatusLabel(window.statusBar(), nullptr, QStringLiteral("Brivo : "));
        QLabel *label = brivo::replaceStatusLabel(window.statusBar(), first, QStringLiteral("Saved : /a"),
                                                  QLatin1String(brivo::statusstyle::changed));
        QCOMPARE(label->styleSheet(), QStringLiteral("color:red;"));
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

    void printsToAPdfFileOrSaysWhyNot()
    {
        QTemporaryDir dir;
        QTextEdit edit;
        edit.setPlainText(QStringLiteral("Hello, paper.\n").repeated(200));
        QString error;
        const QString pdf = dir.filePath(QStringLiteral("plain")); // used as given: no suffix is added
        QVERIFY(brivo::printToPdfFile(&edit, pdf, &error));
        const QByteArray bytes = readFile(pdf);
        QVERIFY(bytes.startsWith("%PDF-") && bytes.contains("%%EOF"));
        QVERIFY(bytes.count("/Type /Page\n") + bytes.count("/Type /Page>") + bytes.count("/Type /Page ") >=
                2);
        QVERIFY(!brivo::printToPdfFile(&edit, dir.filePath(QStringLiteral("missing/out.pdf")), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(tst_common)
#include "tst_common.moc"
