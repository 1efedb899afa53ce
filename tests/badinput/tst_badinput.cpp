// Broken and misnamed files opened the way the program opens them, through the dispatcher: each must end
// in one shown window of its tool, with a message where the tool has one, and leave every file as it was.
#include "app/doch.h"
#include "app/moduleloader.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "viewers/imgv.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

namespace {

// How the tool must answer the file.
enum class Answer
{
    Box,   // a message box whose text holds `words`
    View,  // a label in the window that reads `words`
    Shows, // no message: the file is shown (an editor's text holds `words`; a viewer has a picture)
};

struct Case
{
    const char *row;
    QString file; // name in the corpus folder; a name ending in "/" is a folder, in "|" a named pipe
    QByteArray bytes;
    const char *window; // class of the window that must be shown
    Answer answer;
    QString words;
};

// A small picture in `format`.
QByteArray picture(const char *format)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray noise(int size)
{
    QByteArray out;
    QRandomGenerator random(11);
    while (out.size() < size)
        out.append(char(random.bounded(256)));
    return out;
}

// The file's first `keep` bytes followed by noise of the same length as the rest (at least 256 bytes).
QByteArray corrupt(const QByteArray &bytes, int keep)
{
    return bytes.left(keep) + noise(qMax(int(bytes.size()) - keep, 256));
}

QByteArray half(const QByteArray &bytes)
{
    return bytes.left(bytes.size() / 2);
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffff;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray length(4, 0), crc(4, 0);
    qToBigEndian(quint32(data.size()), length.data());
    qToBigEndian(crc32(type + data), crc.data());
    return length + type + data + crc;
}

// A well-formed PNG that claims `side` x `side` RGBA pixels but carries a few hundred bytes of them: a
// reader that trusted the header would ask for side * side * 4 bytes.
QByteArray pngBomb(quint32 side)
{
    QByteArray header(13, 0);
    qToBigEndian(side, header.data());
    qToBigEndian(side, header.data() + 4);
    header[8] = 8;                                                     // bits per channel
    header[9] = 6;                                                     // RGBA
    const QByteArray pixels = qCompress(QByteArray(100000, 0)).mid(4); // zlib stream without Qt's length
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", pixels) +
           pngChunk("IEND", {});
}

QList<Case> corpus()
{
    const QString cannotLoad = QStringLiteral("Cannot Load Image");
    const QString damagedPdf = QStringLiteral("not a PDF document, or it is damaged");
    const QString cannotPlay = QStringLiteral("Error File cannot be played");
    const QByteArray png = picture("PNG"), jpeg = picture("JPEG"),
                     pdf = brivo::test::makePdf({{QSize(200, 200), "1 0 0"}});
    const QByteArray binary = noise(4096) + QByteArray(16, '\0') + "after the zeros";
    const QByteArray kGif = brivo::test::gifAnimation(1, false);
    const auto notRegular = [](const char *name) {
        return QString::fromLatin1(name) + " is not a regular file";
    };
    return {
        // Pictures: nothing that fails to decode is shown as a picture, and the viewer says so.
        {"empty png", "empty.png", {}, "imgv", Answer::Box, cannotLoad},
        {"truncated png", "half picture.png", half(png), "imgv", Answer::Box, cannotLoad},
        {"corrupt png", "corrupt.PNG", corrupt(png, 33), "imgv", Answer::Box, cannotLoad},
        {"png bomb", "bomb.png", pngBomb(100000), "imgv", Answer::Box, cannotLoad},
        {"corrupt jpeg", "corrupt.jpg", corrupt(jpeg, 20), "imgv", Answer::Box, cannotLoad},
        {"truncated jpeg", "half.jpeg", jpeg.left(200), "imgv", Answer::Box, cannotLoad},
        {"truncated tiff", "half.tiff", half(picture("TIFF")), "imgv", Answer::Box, cannotLoad},
        {"corrupt ico", "corrupt.ico", corrupt(picture("ICO"), 6), "imgv", Answer::Box, cannotLoad},
        {"corrupt bmp", "corrupt.bmp", corrupt(picture("BMP"), 18), "imgv", Answer::Box, cannotLoad},
        {"text as picture", "notes.xpm", "just some words\n", "imgv", Answer::Box, cannotLoad},
        {"truncated webp", "half.webp", half(picture("WEBP")), "imgv", Answer::Box, cannotLoad},
        {"gzip named svg", "drawing.svg", QByteArray("\x1f\x8b\x08\0\0\0\0\0", 8) + noise(64), "imgv",
         Answer::Box, cannotLoad},
        // A drawing that links a device is shown without what it links (reading it would never end).
        {"svg linking a device",
         "linked.svg",
         "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='9' "
         "height='9'><image width='9' height='9' xlink:href='/dev/zero'/></svg>",
         "imgv",
         Answer::Shows,
         {}},
        {"folder as picture", "album.jpg/", {}, "imgv", Answer::Box, cannotLoad},
        // Pictures under another picture's name are shown for what they are.
        {"jpeg named png", "photo.png", jpeg, "imgv", Answer::Shows, {}},
        {"gif named bmp", "still.bmp", kGif, "imgv", Answer::Shows, {}},

        // Animations: the viewer reports nothing; what it cannot play leaves its label empty.
        {"empty gif", "empty.gif", {}, "gif", Answer::Shows, {}},
        {"truncated gif", "half.gif", kGif.left(24), "gif", Answer::Shows, {}},
        {"corrupt gif", "corrupt.GIF", corrupt(kGif, 13), "gif", Answer::Shows, {}},
        {"png named gif", "picture.gif", png, "gif", Answer::Shows, {}},

        // PDF: the view says why there is no page (tst_viewers has empty and locked documents).
        {"truncated pdf", "-half.pdf", pdf.left(40), "pdf", Answer::View, damagedPdf},
        {"corrupt pdf", "corrupt.pdf", corrupt(pdf, 9), "pdf", Answer::View, damagedPdf},
        {"folder as pdf", "papers.pdf/", {}, "pdf", Answer::View, damagedPdf},

        // Media: whatever the backend cannot play is reported.
        {"empty mp4", "empty.mp4", {}, "av", Answer::Box, cannotPlay},
        {"text as mp3", "café notes.mp3", "not a song\n", "av", Answer::Box, cannotPlay},
        {"noise as avi", "-noise.avi", noise(65536), "av", Answer::Box, cannotPlay},
        // The stream header of a real FLAC file (0.9 s of a tone), then the start of a frame that breaks off.
        {"truncated flac", "cut off.flac",
         QByteArray::fromHex(
             "664c614300000022120012000003ba0004350ac440700000a0004263c0ab0f941395d64a884fe0cea5c9") +
             QByteArray::fromHex("fff8c90c00") + noise(300),
         "av", Answer::Box, cannotPlay},
        // GStreamer shows a still picture as a video of one frame.
        {"picture as wmv", "picture.wmv", png, "av", Answer::Shows, {}},
        {"wav named mp4", "tone.mp4", brivo::test::wavBytes(300), "av", Answer::Shows, {}},

        // Text: every byte reaches the editor, NULs and invalid UTF-8 included.
        {"binary txt", "binary data.txt", binary, "txtedit", Answer::Shows, "after the zeros"},
        {"invalid utf-8 txt", "-latin.txt", "caf\xe9 \xff\xfe ok", "txtedit", Answer::Shows,
         QStringLiteral("caf\u00e9 \u00ff\u00fe ok")},
        {"folder as txt", "notes.txt/", {}, "txtedit", Answer::Box, QStringLiteral("could not be opened")},
        {"binary cpp", "prog ram.cpp", binary, "ide", Answer::Shows, "after the zeros"},
        {"nul bytes java", "Ünïcode.java", QByteArray("class A {}\0\0// tail", 20), "ide", Answer::Shows,
         "// tail"},
        {"folder as cpp", "src.cpp/", {}, "ide", Answer::Box, QStringLiteral("Could not open")},

        // A browser shows whatever it is given; archives are only read when unpacked.
        {"binary html", "binary page.html", binary, "web", Answer::Shows, {}},
        {"corrupt zip", "-corrupt.zip", corrupt(QByteArray("PK\x03\x04", 4), 4), "Widget", Answer::Shows, {}},
        {"empty 7z", "empty archive.7z", {}, "Widget", Answer::Shows, {}},

        // A named pipe is never opened: nobody may ever write to it, and the tool would wait for ever.
        {"fifo txt", "pipe.txt|", {}, "txtedit", Answer::Box, notRegular("pipe.txt")},
        {"fifo cpp", "pipe.cpp|", {}, "ide", Answer::Box, notRegular("pipe.cpp")},
        {"fifo png", "pipe.png|", {}, "imgv", Answer::Box, notRegular("pipe.png")},
        {"fifo gif", "pipe.gif|", {}, "gif", Answer::View, notRegular("pipe.gif")},
        {"fifo pdf", "pipe.pdf|", {}, "pdf", Answer::View, notRegular("pipe.pdf")},
        {"fifo mp3", "pipe.mp3|", {}, "av", Answer::Box, notRegular("pipe.mp3")},
        {"fifo mp4", "pipe.mp4|", {}, "av", Answer::Box, notRegular("pipe.mp4")},
        {"fifo html", "pipe.html|", {}, "web", Answer::View, notRegular("pipe.html")},
        {"fifo zip", "pipe.zip|", {}, "Widget", Answer::View, notRegular("pipe.zip")},

        // A type no tool claims opens the chooser.
        {"unknown binary", "data.bin", binary, "showmain", Answer::Box, QStringLiteral("unrecognizable")},
    };
}

QMap<QString, QByteArray> checksums(const QString &folder)
{
    QMap<QString, QByteArray> sums;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        sums.insert(path, QCryptographicHash::hash(brivo::test::readFile(path), QCryptographicHash::Sha1));
    }
    return sums;
}

QWidget *shownWindow(const char *className)
{
    QWidget *found = nullptr;
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget *w : all) {
        if (w->isVisible() && qstrcmp(w->metaObject()->className(), className) == 0) {
            if (found)
                return nullptr; // more than one
            found = w;
        }
    }
    return found;
}

bool viewReads(QWidget *window, const QString &words)
{
    const QList<QLabel *> labels = window->findChildren<QLabel *>();
    return std::any_of(labels.begin(), labels.end(), [&](QLabel *l) { return l->text().contains(words); });
}

} // namespace

class tst_badinput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir().mkpath(m_dir.filePath(QStringLiteral("corpus")));
        // A working folder with an "IDE" folder, so the code editor has no "No Compilers found" to say.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("work/IDE"))));
        for (const Case &c : corpus()) {
            const QString path = corpusPath(c.file);
            if (c.file.endsWith(QLatin1Char('/')))
                QVERIFY(QDir().mkpath(path));
            else if (c.file.endsWith(QLatin1Char('|')))
                QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
            else
                QVERIFY(brivo::test::writeFile(path, c.bytes));
        }
    }

    void cleanup() { brivo::test::closeAllWindows(); }

    void opensWithoutHarm_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("window");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("words");
        for (const Case &c : corpus())
            QTest::newRow(c.row) << c.file << QByteArray(c.window) << int(c.answer) << c.words;
    }
    void opensWithoutHarm()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, window);
        QFETCH(int, column);
        const auto answer = Answer(column);
        QFETCH(QString, words);
        if (window == "web" && !brivo::moduleInBuild(QStringLiteral("brivo_web")))
            QSKIP("built without the web browser");
        const QString path = corpusPath(file);
        const auto before = checksums(m_dir.filePath(QStringLiteral("corpus")));
        brivo::test::ModalAnswerer answerer;
        // The image viewer moves the current directory to the picture's folder; every row starts afresh.
        brivo::test::CurrentDirectory work(m_dir.filePath(QStringLiteral("work")));

        doch().doallforshow(path);

        QWidget *shown = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((shown = shownWindow(window.constData())), 10000);
        const auto boxSays = [&] {
            const auto &seen = answerer.seen();
            return std::any_of(seen.begin(), seen.end(),
                               [&](const auto &s) { return s.text.contains(words); });
        };
        switch (answer) {
        case Answer::Box:
            // The media backend finds out in its own time.
            QTRY_VERIFY_WITH_TIMEOUT(boxSays(), 20000);
            break;
        case Answer::View:
            QVERIFY2(viewReads(shown, words), qPrintable(words));
            break;
        case Answer::Shows:
            if (auto *editor = shown->findChild<QPlainTextEdit *>())
                QTRY_VERIFY(editor->toPlainText().contains(words));
            if (auto *viewer = qobject_cast<imgv *>(shown))
                QTRY_VERIFY(!viewer->image.isNull()); // decoded on a worker
            if (window == "web") {
                auto *status = shown->findChild<QLabel *>(QStringLiteral("statusLabel"));
                QVERIFY(status);
                QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Load Finished..."), 30000);
            }
            // Long enough for a player or a page to fail if it were going to.
            QTest::qWait(1000);
            break;
        }
        if (answer != Answer::Box) {
            for (const auto &seen : answerer.seen())
                QFAIL(qPrintable(QStringLiteral("unexpected message: ") + seen.text));
        }
        QVERIFY(shown->isVisible());
        QCOMPARE(checksums(m_dir.filePath(QStringLiteral("corpus"))), before);
    }

private:
    QString corpusPath(const QString &file) const
    {
        QString name = file;
        if (name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('|')))
            name.chop(1);
        return m_dir.filePath(QStringLiteral("corpus/") + name);
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_badinput)
#include "tst_badinput.moc"
