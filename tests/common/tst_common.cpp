// What the editors share: text files that round-trip, atomic saves that report failure, the status line,
// the save question, printing to PDF.
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

using brivo::TextEncoding;
using brivo::TextFormat;
using brivo::test::readFile;
using brivo::test::writeFile;

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
        QTest::newRow("empty") << QByteArray() << QString() << TextEncoding::Utf8 << false;
        QTest::newRow("ascii, LF") << QByteArray("a\nb\n") << "a\nb\n" << TextEncoding::Utf8 << false;
        QTest::newRow("UTF-8 accents") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\n") << QString::fromUtf8("café €\n")
                                       << TextEncoding::Utf8 << false;
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBFhi\r\nthere\r\n") << "hi\nthere\n"
                                        << TextEncoding::Utf8WithBom << true;
        QTest::newRow("Latin-1") << QByteArray("caf\xE9\n") << QString::fromLatin1("caf\xE9\n")
                                 << TextEncoding::EightBit << false;
        QTest::newRow("Latin-1 CR LF") << QByteArray("\xE9t\xE9\r\nhiver\r\n") << QString::fromLatin1("\xE9t\xE9\nhiver\n")
                                       << TextEncoding::EightBit << true;
        QTest::newRow("truncated UTF-8 is not UTF-8") << QByteArray("ab\xC3") << QString::fromLatin1("ab\xC3")
                                                      << TextEncoding::EightBit << false;
        QTest::newRow("NUL bytes are kept") << QByteArray("a\0b\n", 4) << QString::fromLatin1("a\0b\n", 4)
                                            << TextEncoding::Utf8 << false;
        QTest::newRow("HTML stays source") << QByteArray("<html><b>x</b></html>\n") << "<html><b>x</b></html>\n"
                                           << TextEncoding::Utf8 << false;
        QTest::newRow("mostly LF keeps its stray CR") << QByteArray("a\nb\r\nc\nd\n") << "a\nb\r\nc\nd\n"
                                                      << TextEncoding::Utf8 << false;
    }
    void filesRoundTripByteForByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(TextEncoding, encoding);
        QFETCH(bool, crlf);

        TextFormat format;
        QCOMPARE(brivo::decodeText(bytes, &format), text);
        QCOMPARE(format.encoding, encoding);
        QCOMPARE(format.crlf, crlf);
        if (!bytes.isEmpty()) // an empty file takes the platform's line ends, which is no change
            QCOMPARE(brivo::encodeText(text, &format), bytes);

        // The same through the file functions.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        QVERIFY(writeFile(path, bytes));
        QString read;
        TextFormat fileFormat;
        QString error;
        QVERIFY(brivo::readTextFile(path, &read, &fileFormat, &error));
        QCOMPARE(read, text);
        QVERIFY(brivo::writeTextFile(path, read, &fileFormat, &error));
        QCOMPARE(readFile(path), bytes);
    }

    void textAnEightBitFileCannotHoldIsSavedAsUtf8()
    {
        TextFormat format;
        format.encoding = TextEncoding::EightBit;
        format.crlf = false;
        const QString text = QString::fromUtf8("caf\xC3\xA9 costs 5 \xE2\x82\xAC");
        QCOMPARE(brivo::encodeText(text, &format), text.toUtf8());
        QCOMPARE(format.encoding, TextEncoding::Utf8);
    }

    void savesReportFailureAndKeepTheOldFileAndItsPermissions()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("script.sh"));
        QVERIFY(writeFile(path, "#!/bin/sh\n"));
        const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        QVERIFY(QFile::setPermissions(path, permissions));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("adir")));
        TextFormat format;
        QString error;
        for (const char *bad : {"no/such/dir/x.txt", "adir"}) {
            error.clear();
            QVERIFY(!brivo::writeTextFile(dir.filePath(QLatin1String(bad)), QStringLiteral("x"), &format, &error));
            QVERIFY(!error.isEmpty());
        }
        QString text;
        error.clear();
        QVERIFY(!brivo::readTextFile(dir.filePath(QStringLiteral("adir")), &text, &format, &error));
        QVERIFY(!error.isEmpty());

        QVERIFY(brivo::writeTextFile(path, QStringLiteral("#!/bin/sh\necho hi\n"), &format, &error));
        QCOMPARE(QFile::permissions(path) & permissions, permissions);
    }

    void statusLineAndSaveQuestion()
    {
        QMainWindow window;
        window.statusBar();
        window.show();
        QPointer<QLabel> first = brivo::replaceStatusLabel(window.statusBar(), nullptr, QStringLiteral("Brivo : "));
        QLabel *label = brivo::replaceStatusLabel(window.statusBar(), first, QStringLiteral("Saved : /a"),
                                                  QLatin1String(brivo::statusstyle::changed));
        QCOMPARE(label->styleSheet(), QStringLiteral("color:red;"));
        QVERIFY(label->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first); // one label at a time
        QCOMPARE(window.statusBar()->findChildren<QLabel *>().size(), 1);

        brivo::test::ModalAnswerer modal;
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
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        QVERIFY(brivo::printToPdfFile(&edit, pdf, &error));
        const QByteArray bytes = readFile(pdf);
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.contains("%%EOF"));
        QVERIFY(bytes.count("/Type /Page\n") + bytes.count("/Type /Page>") + bytes.count("/Type /Page ") >= 2);

        // The name is used as given: no suffix is added.
        QVERIFY(brivo::printToPdfFile(&edit, dir.filePath(QStringLiteral("plain")), &error));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("plain"))));

        QVERIFY(!brivo::printToPdfFile(&edit, dir.filePath(QStringLiteral("missing/out.pdf")), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(tst_common)
#include "tst_common.moc"
