// Reading 7z's output: lines as a terminal shows them, and the progress it rewrites in place.
#include "zip/archiveroutputreader.h"

#include <QTest>

using brivo::zip::ArchiverOutputReader;
using brivo::zip::ArchiverProgress;
using brivo::zip::parseProgress;

namespace {

// A packing run as 7z writes it to a pipe: the scan counter and every progress report are written and
// then erased with backspaces, blanks and backspaces again.
QByteArray bs(int n)
{
    return QByteArray(n, '\b');
}

QByteArray erased(const QByteArray &text)
{
    return text + bs(text.size()) + QByteArray(text.size(), ' ') + bs(text.size());
}

QByteArray packingRun()
{
    return "\n7-Zip [64] 26.02 : Copyright (c) 1999-2026 Igor Pavlov : 2026-06-25\n\nScanning the drive:\n" +
           erased("  0M Scan ") + "2 files, 209715200 bytes (200 MiB)\n\nCreating archive: b.7z\n\n" +
           erased("  0%") + erased("  0% + big one.bin") + erased(" 57% + big one.bin") +
           erased(" 99% 1 + s\xc3\xa9" "c.bin") + erased("100% 2 + s\xc3\xa9" "c.bin") +
           "\nFiles read from disk: 2\nArchive size: 209728370 bytes (201 MiB)\nEverything is Ok\n";
}

const QStringList packingLines = {"",
                                  "7-Zip [64] 26.02 : Copyright (c) 1999-2026 Igor Pavlov : 2026-06-25",
                                  "",
                                  "Scanning the drive:",
                                  "2 files, 209715200 bytes (200 MiB)",
                                  "",
                                  "Creating archive: b.7z",
                                  "",
                                  "",
                                  "Files read from disk: 2",
                                  "Archive size: 209728370 bytes (201 MiB)",
                                  "Everything is Ok"};

} // namespace

class tst_archiveroutput : public QObject
{
    Q_OBJECT
private slots:
    void progressText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isProgress");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("filesDone");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("file");

        QTest::newRow("bare percentage") << "  0%" << true << 0 << -1 << "" << "";
        QTest::newRow("adding") << "  7% + a b.txt" << true << 7 << -1 << "+" << "a b.txt";
        QTest::newRow("with a count of finished files") << " 42% 3 + docs/report.pdf" << true << 42 << 3 << "+"
                                                        << "docs/report.pdf";
        QTest::newRow("extracting") << "100% 2 - -dash.txt" << true << 100 << 2 << "-" << "-dash.txt";
        QTest::newRow("name ending in blanks is cut") << " 5% U old.txt   " << true << 5 << -1 << "U" << "old.txt";
        QTest::newRow("scan counter") << "  0M Scan /home" << false << 0 << 0 << "" << "";
        QTest::newRow("ordinary line") << "Everything is Ok" << false << 0 << 0 << "" << "";
        QTest::newRow("percent inside a sentence") << "Ratio 50% of size" << false << 0 << 0 << "" << "";
        QTest::newRow("erased blanks") << "      " << false << 0 << 0 << "" << "";
    }
    void progressText()
    {
        QFETCH(QString, text);
        QFETCH(bool, isProgress);
        const std::optional<ArchiverProgress> progress = parseProgress(text);
        QCOMPARE(progress.has_value(), isProgress);
        if (!isProgress)
            return;
        QFETCH(int, percent);
        QFETCH(int, filesDone);
        QFETCH(QString, action);
        QFETCH(QString, file);
        QCOMPARE(progress->percent, percent);
        QCOMPARE(progress->filesDone, filesDone);
        QCOMPARE(progress->action.isNull() ? QString() : QString(progress->action), action);
        QCOMPARE(progress->file, file);
    }

    // However the pipe cuts the output, the same lines and the same progress come out.
    void linesAndProgressWhateverTheChunks_data()
    {
        QTest::addColumn<int>("chunkSize");
        for (int size : {1, 2, 3, 7, 64, 100000})
            QTest::newRow(qPrintable(QStringLiteral("chunks of %1").arg(size))) << size;
    }
    void linesAndProgressWhateverTheChunks()
    {
        QFETCH(int, chunkSize);
        const QByteArray run = packingRun();
        ArchiverOutputReader reader;
        QStringList lines;
        QList<ArchiverProgress> reports;
        for (qsizetype at = 0; at < run.size(); at += chunkSize) {
            const ArchiverOutputReader::Result result = reader.feed(run.mid(at, chunkSize));
            lines += result.lines;
            if (result.progress)
                reports.append(*result.progress);
        }
        QCOMPARE(reader.finish(), QString());
        QCOMPARE(lines, packingLines);

        QVERIFY(!reports.isEmpty());
        // The name with a two-byte letter is erased by its byte count and read back whole.
        QCOMPARE(reports.last(), (ArchiverProgress{100, 2, QLatin1Char('+'), QString::fromUtf8("séc.bin")}));
        for (qsizetype i = 1; i < reports.size(); ++i)
            QVERIFY(reports.at(i).percent >= reports.at(i - 1).percent);
        if (chunkSize == 1)
            QCOMPARE(reports.size(), 5); // every report, the bare 0% included
    }

    void carriageReturnsAndUnfinishedLines()
    {
        ArchiverOutputReader reader;
        ArchiverOutputReader::Result result = reader.feed("ERROR: first\r\nhalf-way\rHALF");
        QCOMPARE(result.lines, QStringList{"ERROR: first"});
        QCOMPARE(reader.finish(), QStringLiteral("HALF-way"));
        QCOMPARE(reader.finish(), QString());
        // More backspaces than text never reach before the start of the line.
        result = reader.feed(bs(10) + "ok\n");
        QCOMPARE(result.lines, QStringList{"ok"});
    }
};

QTEST_GUILESS_MAIN(tst_archiveroutput)
#include "tst_archiveroutput.moc"
