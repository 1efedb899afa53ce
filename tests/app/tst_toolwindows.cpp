// Every tool's window opened the way a user opens it: its controls explained, Tab in reading order, closed
// without leftovers; and broken or misnamed files of every type opened through the dispatcher.
#include "app/doch.h"
#include "app/moduleloader.h"
#include "app/showmain.h"
#include "common/homeactions.h"
#include "common/tooltable.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "viewers/imgv.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QDockWidget>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
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

bool viewReads(QWidget *window, const QString &words)
{
    const QList<QLabel *> labels = window->findChildren<QLabel *>();
    return std::any_of(labels.begin(), labels.end(), [&](QLabel *l) { return l->text().contains(words); });
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Every process below `pid`, through the kernel's lists of each thread's children.
int descendants(qint64 pid)
{
    int count = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks + QLatin1Char('/') + task + QStringLiteral("/children"));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &child : children.readAll().split(' ')) {
            if (const qint64 id = child.trimmed().toLongLong())
                count += 1 + descendants(id);
        }
    }
    return count;
}

QList<QWidget *> shownWindows()
{
    QList<QWidget *> shown;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            shown.append(w);
    return shown;
}

// The one shown window of that class; none when there are more.
QWidget *shownWindow(const char *className)
{
    QWidgetList found;
    for (QWidget *w : shownWindows())
        if (qstrcmp(w->metaObject()->className(), className) == 0)
            found.append(w);
    return found.size() == 1 ? found.first() : nullptr;
}

// The first shown window that is not in `before`, once there is one.
QWidget *waitForNewWindow(const QList<QWidget *> &before)
{
    QWidget *found = nullptr;
    const auto appeared = [&] {
        for (QWidget *w : shownWindows())
            if (!before.contains(w))
                found = w;
        return found != nullptr;
    };
    return QTest::qWaitFor(appeared, 20000) ? found : nullptr;
}

// The text area of an editor window.
QAbstractScrollArea *textArea(QWidget *window)
{
    for (auto *area : window->findChildren<QAbstractScrollArea *>())
        if (area->metaObject()->indexOfProperty("plainText") >= 0 && area->isVisible())
            return area;
    return nullptr;
}

bool isInside(const QWidget *widget, const char *className)
{
    for (const QWidget *w = widget->parentWidget(); w && !w->isWindow(); w = w->parentWidget()) {
        if (w->inherits(className))
            return true;
    }
    return false;
}

// The widget a screen reader and a pointer user meet for `widget`: the spin box or combo box a field is
// part of, or nothing for the scroll bars of a scroll area (read by their role, the area's own).
QWidget *speaker(QWidget *widget)
{
    if (qobject_cast<QScrollBar *>(widget) && isInside(widget, "QAbstractScrollArea"))
        return nullptr;
    if (qobject_cast<QLineEdit *>(widget)) {
        if (auto *owner = qobject_cast<QAbstractSpinBox *>(widget->parentWidget()))
            return owner;
        if (auto *owner = qobject_cast<QComboBox *>(widget->parentWidget()))
            return owner;
    }
    return widget;
}

// Every shown button, slider and field of `window` that neither shows words nor has a tooltip, or that a
// screen reader has no name for.
QString unexplained(QWidget *window)
{
    QStringList found;
    for (QWidget *child : window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(child) ||
                             qobject_cast<QAbstractSlider *>(child) || qobject_cast<QLineEdit *>(child);
        QWidget *widget = control && child->isVisible() ? speaker(child) : nullptr;
        if (!widget)
            continue;
        auto *button = qobject_cast<QAbstractButton *>(widget);
        const bool words = (button && !button->text().isEmpty()) || !widget->toolTip().isEmpty();
        QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(widget);
        const bool named = a11y && !a11y->text(QAccessible::Name).trimmed().isEmpty();
        if (!words || !named) {
            found.append(QStringLiteral("%1 \"%2\"%3%4")
                             .arg(QString::fromLatin1(widget->metaObject()->className()),
                                  widget->objectName(),
                                  words ? QString() : QStringLiteral(" without text or tooltip"),
                                  named ? QString() : QStringLiteral(" without accessible name")));
        }
    }
    return found.join(QStringLiteral("; "));
}

// Where Tab goes against reading order: a step back to the left within a row (two controls whose
// heights overlap), or a step up to an earlier row.
QString outOfOrder(QWidget *window)
{
    QList<QWidget *> chain;
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() &&
            !isInside(w, "QAbstractSpinBox") && !isInside(w, "QWebEngineView"))
            chain.append(w);
    }
    QStringList found;
    for (int i = 1; i < chain.size(); ++i) {
        const QRect a(chain[i - 1]->mapTo(window, QPoint()), chain[i - 1]->size());
        const QRect b(chain[i]->mapTo(window, QPoint()), chain[i]->size());
        const bool sameRow = a.top() <= b.bottom() && b.top() <= a.bottom();
        if ((sameRow && b.left() < a.left()) || (!sameRow && b.top() < a.top()))
            found.append(chain[i - 1]->objectName() + QStringLiteral(" -> ") + chain[i]->objectName());
    }
    return found.join(QStringLiteral("; "));
}

// What a pointer user and a screen reader meet in `window`, also in the controls that show on demand;
// empty when nothing is wrong.
QString accessibilityFaults(QWidget *window)
{
    QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(window);
    if (!a11y || a11y->text(QAccessible::Description).isEmpty())
        return QStringLiteral("the window does not say what it is");
    const QString order = outOfOrder(window), controls = unexplained(window);
    if (!order.isEmpty() || !controls.isEmpty())
        return controls + QStringLiteral(" Tab order: ") + order;
    const QByteArray className = window->metaObject()->className();
    if (className == "Widget") // the archive tool's password field
        window->findChild<QCheckBox *>()->click();
    if (className == "ide")
        window->findChild<QDockWidget *>(QStringLiteral("outputDock"))->show();
    if (className == "web")
        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
    QTest::qWait(300);
    return unexplained(window);
}

} // namespace

class tst_toolwindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // An "IDE" folder, so the code editor has no "No Compilers found" to say.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("work/IDE"))));
        // The shared pool's idle threads, which no window owns, end at once rather than after half a
        // minute, so that a thread counted is one that something keeps.
        QThreadPool::globalInstance()->setExpiryTimeout(50);
        QDir().mkpath(m_dir.filePath(QStringLiteral("corpus")));
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
    // A row of a window's table whose control is gone says so on the debug output.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^No control"))); }
    void cleanup() { brivo::test::closeAllWindows(); }

    // Three times over, each window goes once closed (with the launcher its file was dropped on), and
    // what the first round started is all there is after the third.
    void closedWindowsGo_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("window");
        QTest::newRow("notepad") << "notes.txt" << QByteArray("some words\n") << QByteArray("txtedit");
        QTest::newRow("code editor") << "main.cpp" << QByteArray("int main() {}\n") << QByteArray("ide");
        QTest::newRow("image viewer") << "picture.png" << QByteArray() << QByteArray("imgv");
        QTest::newRow("pdf viewer") << "paper.pdf"
                                    << brivo::test::makePdf(
                                           {{QSize(300, 400), "0 0 1"}, {QSize(300, 400), {}}})
                                    << QByteArray("pdf");
        QTest::newRow("gif viewer") << "moving.gif" << brivo::test::gifAnimation(4, true)
                                    << QByteArray("gif");
        QTest::newRow("media player") << "clip.mp4" << brivo::test::wavBytes(3000) << QByteArray("av");
        QTest::newRow("audio player") << "tone.wav" << brivo::test::wavBytes(3000) << QByteArray("av");
        QTest::newRow("browser") << "page.html"
                                 << QByteArray("<p id=t>0</p><script>let n=0;"
                                               "setInterval(()=>{t.textContent=++n},50)</script>")
                                 << QByteArray("web");
        QTest::newRow("archive tool")
            << "files.zip" << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0') << QByteArray("Widget");
        QTest::newRow("snapshot") << QString() << QByteArray() << QByteArray("desktop");
    }
    void closedWindowsGo()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, window);
        brivo::test::ModalAnswerer answers;
        brivo::test::CurrentDirectory work(m_dir.filePath(QStringLiteral("work")));
        const QString path = file.isEmpty() ? QString() : m_dir.filePath(file);
        if (path.endsWith(QLatin1String(".png"))) {
            QImage picture(640, 480, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            QVERIFY(picture.save(path));
        } else {
            QVERIFY(path.isEmpty() || brivo::test::writeFile(path, bytes));
        }

        int threads = 0, children = 0;
        for (int round = 1; round <= 3; ++round) {
            QList<QWidget *> before = shownWindows();
            brivo::goHome();
            const QPointer<showmain> launcher = qobject_cast<showmain *>(waitForNewWindow(before));
            QVERIFY(launcher && QTest::qWaitForWindowExposed(launcher));
            if (round == 1)
                QVERIFY2(accessibilityFaults(launcher).isEmpty(), qPrintable(accessibilityFaults(launcher)));
            before = shownWindows();
            if (path.isEmpty()) {
                // The snapshot opens from its tile, and the launcher steps aside for it.
                const QString tile = QString::fromLatin1(brivo::describe(brivo::Tool::Snapshot).tile.text);
                for (auto *button : launcher->findChildren<QCommandLinkButton *>())
                    if (button->text() == tile)
                        button->click();
            } else {
                QVERIFY(brivo::test::sendDropUrls(launcher, {QUrl::fromLocalFile(path)}));
            }
            const QPointer<QWidget> shown = waitForNewWindow(before);
            QVERIFY(shown);
            QCOMPARE(QByteArray(shown->metaObject()->className()), window);
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            // Long enough for the file to be shown, the page to run and the player to start.
            QTest::qWait(300);
            const bool editor = window == "txtedit" || window == "ide";
            if (QAbstractScrollArea *area = round == 1 && editor ? textArea(shown) : nullptr) {
                QTest::keyClicks(area, QStringLiteral("unsaved "));
                const QString text = area->property("plainText").toString();
                answers.press(QMessageBox::Cancel);
                QVERIFY(!shown->close() && answers.waitUntilAnswered());
                QTest::qWait(100);
                QVERIFY(shown && shown->isVisible() && area->property("plainText").toString() == text);
                QCOMPARE(brivo::test::readFile(path), bytes);
                answers.press(QMessageBox::Discard);
            }
            if (round == 1) {
                const QString faults = accessibilityFaults(shown);
                QVERIFY2(faults.isEmpty(), qPrintable(faults));
                // A viewer hands its buttons and sliders to keepKeysOnView (tst_common): Tab reaches them,
                // and a click leaves the keys on the document.
                const bool viewer = QByteArray("imgv gif pdf av").contains(window);
                for (QWidget *c : shown->findChildren<QWidget *>()) {
                    if (viewer && c->isVisible() && !qobject_cast<QScrollBar *>(c) &&
                        (qobject_cast<QAbstractButton *>(c) || qobject_cast<QAbstractSlider *>(c)))
                        QVERIFY2(c->focusPolicy() == Qt::TabFocus, qPrintable(c->objectName()));
                }
            }

            QVERIFY(shown->close());
            QTRY_VERIFY2(!shown, "the closed window is still there");
            QTRY_VERIFY2(!launcher, "the launcher that stepped aside is still there");
            if (round == 1) {
                // What the first window started and keeps for the process (an engine's helpers) has
                // settled once the counts stop falling.
                QTest::qWait(500);
                threads = threadCount();
                children = descendants(QCoreApplication::applicationPid());
                continue;
            }
            QTRY_VERIFY2(threadCount() <= threads,
                         qPrintable(QStringLiteral("threads after round %1").arg(round)));
            QTRY_VERIFY2(descendants(QCoreApplication::applicationPid()) <= children,
                         qPrintable(QStringLiteral("child processes after round %1").arg(round)));
        }
        QCOMPARE(answers.unexpected(), 0);
    }

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

QTEST_MAIN(tst_toolwindows)
#include "tst_toolwindows.moc"
