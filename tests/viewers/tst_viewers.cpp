// The image viewer, the GIF viewer (its resize count, animations that cannot start again) and the PDF viewer
// (paging, zoom and rotation, the pages it prepares ahead, documents it cannot show).
#include "app/toolopeners.h"
#include "common/findbar.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "viewers/gif.h"
#include "viewers/imagefolder.h"
#include "viewers/imgv.h"
#include "viewers/pageprerenderer.h"
#include "viewers/pdf.h"
#include "viewers/pdfpagesview.h"
#include "viewers/pdfpaging.h"
#include "viewers/picturecache.h"
#include "viewers/picturedecode.h"

#include <QtTest/qtestspontaneevent.h>

#include <QPrinter>
#include <QtTest>
#include <QtWidgets>
#include <climits>
#include <sys/stat.h>

namespace {

using brivo::test::gifAnimation;
using brivo::test::makePdf;

// Opens a viewer through the dispatcher's opener; a PDF viewer at `pdfSize`.
template <typename Viewer> Viewer *open(const QString &path, QSize pdfSize = QSize(800, 600))
{
    const brivo::Tool tool = std::is_same_v<Viewer, gif>   ? brivo::Tool::GifViewer
                             : std::is_same_v<Viewer, pdf> ? brivo::Tool::PdfViewer
                                                           : brivo::Tool::ImageViewer;
    auto *viewer = qobject_cast<Viewer *>(brivo::openTool(tool, path));
    if constexpr (std::is_same_v<Viewer, pdf>)
        viewer->resize(pdfSize);
    // The viewers show their windows before the picture or the first page, which come from a worker.
    const auto arrived = [viewer] {
        if constexpr (std::is_same_v<Viewer, imgv>)
            return viewer->awaitedPath().isEmpty();
        else if constexpr (std::is_same_v<Viewer, pdf>)
            return !viewer->pageComing();
        return true;
    };
    return QTest::qWaitFor(arrived) && QTest::qWaitForWindowExposed(viewer) ? viewer : nullptr;
}

// Saves a picture of one colour, in the format its suffix names in any case.
bool writePicture(const QString &path, const QColor &colour)
{
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.save(path, QFileInfo(path).suffix().toLower().toLatin1().constData());
}

// Five 300 x 200 pictures of one colour each, named in mixed case, and a hidden one, which is not listed.
const QList<QPair<QString, QColor>> pictures = {{"a.png", Qt::red},  {"B.PNG", Qt::green},
                                                {"c.Png", Qt::blue}, {"d.png", Qt::yellow},
                                                {"E.png", Qt::cyan}, {".f.png", Qt::magenta}};

QColor shownColour(const imgv *viewer)
{
    const QImage shown = viewer->imageLabel->pixmap().toImage();
    return shown.isNull() ? QColor() : shown.pixelColor(0, 0);
}

// A wheel turn as the window system delivers it: to the widget under the pointer, from where it travels up
// until a widget takes it.
void turnWheel(QWidget *target, int delta, QPointF pos = {-1, -1})
{
    if (pos.x() < 0)
        pos = QPointF(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent wheel(pos, target->mapToGlobal(pos), {}, {0, delta}, {}, {}, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(target, &wheel);
}

// Does `steps` on a PDF viewer in turn, then says what it shows: the page field, the page's colour, the
// corner that holds its black square (its rotation) and its size in pixels (its resolution), such as
// "2 green tl 300x200". Steps: 'f' 'b' 'g' forward, back, go; 'r' 'l' turn; 'i' 'o' zoom; '>' '<' the Right
// and Left keys; '-' '+' a wheel step on the page, towards or away from the user.
QString after(pdf *w, const QString &steps = {})
{
    const QString names = QStringLiteral("fbgrlio");
    void (pdf::*const controls[])() = {&pdf::fo, &pdf::ba, &pdf::go, &pdf::rr, &pdf::rl, &pdf::zi, &pdf::zo};
    auto *label = w->findChild<QLabel *>("imageLabel");
    const auto settled = [w] { return QTest::qWaitFor([w] { return !w->pageComing(); }); };
    if (!settled())
        return QStringLiteral("the first page never came");
    for (QChar step : steps) {
        if (step == '-' || step == '+')
            turnWheel(label, step == '-' ? -120 : 120);
        else if (step == '>' || step == '<')
            QTest::keyClick(w->findChild<QScrollArea *>("scrollArea"),
                            step == '>' ? Qt::Key_Right : Qt::Key_Left);
        else
            (w->*controls[names.indexOf(step)])();
        settled();
    }
    const QString field = w->findChild<QLineEdit *>("pageEdit")->text();
    const QImage image = label->pixmap().toImage();
    if (image.isNull())
        return field + QStringLiteral(" nothing");
    const QRgb c = image.pixel(image.width() / 2, image.height() / 2) & RGB_MASK;
    const QString colour = c == 0xff0000 ? "red" : c == 0xff00 ? "green" : c == 0xff ? "blue" : "other";
    const auto black = [&](int x, int y) { return qGray(image.pixel(x, y)) == 0; };
    const int right = image.width() - 2, bottom = image.height() - 2;
    const bool top = black(1, 1) || black(right, 1), left = black(1, 1) || black(1, bottom);
    const QString corner = QString(top ? 't' : 'b') + (left ? 'l' : 'r');
    return QStringLiteral("%1 %2 %3 %4x%5").arg(field, colour, corner).arg(image.width()).arg(image.height());
}

// Three 3 x 2 inch pages, red, green, blue, with an outline ("Start", "Third page" holding "Back to the
// start"). The first page says "Hello world" near its top and has three links along its bottom: to the
// third page, to a web address, and to a local program.
QByteArray linkedPdf()
{
    const auto stream = [](const QByteArray &draw) {
        return "<< /Length " + QByteArray::number(draw.size()) + " >>\nstream\n" + draw + "\nendstream";
    };
    const auto link = [](const QByteArray &rect, const QByteArray &action) {
        return "<< /Type /Annot /Subtype /Link /Rect [" + rect + "] /Border [0 0 0] " + action + " >>";
    };
    const QByteArray page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 216 144] ";
    return brivo::test::pdfFromObjects({
        "<< /Type /Catalog /Pages 2 0 R /Outlines 3 0 R >>",
        "<< /Type /Pages /Kids [4 0 R 5 0 R 6 0 R] /Count 3 >>",
        "<< /Type /Outlines /First 7 0 R /Last 8 0 R /Count 3 >>",
        page + "/Contents 9 0 R /Resources << /Font << /F1 10 0 R >> >> /Annots [11 0 R 12 0 R 13 0 R] >>",
        page + "/Contents 14 0 R >>",
        page + "/Contents 15 0 R >>",
        "<< /Title (Start) /Parent 3 0 R /Next 8 0 R /Dest [4 0 R /Fit] >>",
        "<< /Title (Third page) /Parent 3 0 R /Prev 7 0 R /First 16 0 R /Last 16 0 R /Count 1 /Dest [6 0 R "
        "/Fit] >>",
        stream("1 0 0 rg 0 0 216 144 re f 0 g BT /F1 18 Tf 20 100 Td (Hello world) Tj ET"),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        link("10 10 70 40", "/Dest [6 0 R /Fit]"),
        link("80 10 140 40", "/A << /S /URI /URI (https://example.org/minutes) >>"),
        link("150 10 210 40", "/A << /S /URI /URI (file:///bin/sh) >>"),
        stream("0 1 0 rg 0 0 216 144 re f"),
        stream("0 0 1 rg 0 0 216 144 re f"),
        "<< /Title (Back to the start) /Parent 8 0 R /Dest [4 0 R /Fit] >>",
    });
}

// Three pages of text: "alpha beta", "gamma", "beta and Beta".
QByteArray wordsPdf()
{
    const auto page = [](int contents) {
        return "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 216 144] /Contents " +
               QByteArray::number(contents) + " 0 R /Resources << /Font << /F1 6 0 R >> >> >>";
    };
    const auto text = [](const QByteArray &words) {
        const QByteArray draw = "BT /F1 18 Tf 20 100 Td (" + words + ") Tj ET";
        return "<< /Length " + QByteArray::number(draw.size()) + " >>\nstream\n" + draw + "\nendstream";
    };
    return brivo::test::pdfFromObjects({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
        page(7),
        page(8),
        page(9),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        text("alpha beta"),
        text("gamma"),
        text("beta and Beta"),
    });
}

// Where a point of the shown, upright page lies on the viewer's page label; `points` from the page's
// bottom left, as the document gives them.
QPoint onPage(pdf *w, QPointF points)
{
    auto *label = w->findChild<QLabel *>("imageLabel");
    const QSize shown = label->pixmap().size();
    const QPoint corner((label->width() - shown.width()) / 2, (label->height() - shown.height()) / 2);
    return corner + QPoint(qRound(points.x() * shown.width() / 216),
                           qRound((144 - points.y()) * shown.height() / 144));
}

// Records the addresses handed to the desktop's browser instead of opening them.
class AddressCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

bool waitUntilPrepared(pdf *w, int index)
{
    auto *prerenderer = w->findChild<brivo::PagePrerenderer *>();
    return prerenderer && QTest::qWaitFor([&] { return prerenderer->isKept(index); }, 10000);
}

} // namespace

class tst_viewers : public QObject
{
    Q_OBJECT
    QTemporaryDir m_folder, m_dir; // the pictures below, a damaged one and a folder named like one; PDFs
    const QString m_threePages = m_dir.filePath("three.pdf"); // red, green, blue; 3 x 2 inches
    const QString m_tallPages = m_dir.filePath("tall.pdf");   // the same, 3 x 20 inches
    // Every test starts with nothing remembered about the documents it opens.
    std::optional<brivo::test::TemporaryStateFolder> m_state;

private slots:
    void initTestCase()
    {
        for (const auto &[name, colour] : pictures)
            QVERIFY(writePicture(m_folder.filePath(name), colour));
        QVERIFY(brivo::test::writeFile(m_folder.filePath("x.jpg"), "bad") &&
                QDir(m_folder.path()).mkdir("y.gif"));
        for (const QSize size : {QSize(216, 144), QSize(216, 1440)})
            QVERIFY(brivo::test::writeFile(size.height() < 1000 ? m_threePages : m_tallPages,
                                           makePdf({{size, "1 0 0"}, {size, "0 1 0"}, {size, "0 0 1"}})));
    }
    void init()
    {
        m_state.reset();
        m_state.emplace();
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    void listingBoxesDecodingAndTheCache()
    {
        QTemporaryDir dir;
        for (const char *name : {"b.PNG", "a.jpg", "C.Jpeg", "d.gif", "e.JPG", "Z.GIF", "B.png", "notes.txt",
                                 ".hidden.png", "scan.bmp", "png", "x.png.txt"})
            QVERIFY(brivo::test::writeFile(dir.filePath(name), "?"));
        QVERIFY(QDir(dir.path()).mkdir("album.png"));
        QCOMPARE(brivo::listPictureNames(dir.path()),
                 QStringList({"a.jpg", "album.png", "B.png", "b.PNG", "C.Jpeg", "d.gif", "e.JPG", "Z.GIF"}));

        // Zooming out stops before either side would reach 50 pixels.
        QCOMPARE(brivo::zoomedOut(QSize(101, 300)), QSize(51, 250));
        QCOMPARE(brivo::zoomedOut(QSize(51, 250)), QSize(51, 250));
        QCOMPARE(brivo::zoomedOut(QSize(300, 100)), QSize(300, 100));
        // Fitting never loses a thin picture; a box with no room gives nothing: the view keeps what it shows.
        QCOMPARE(brivo::fittedSize(QSize(100000, 10), QSize(585, 440)), QSize(585, 1));
        QVERIFY(brivo::fittedSize(QSize(400, 300), QSize(-15, 40)).isEmpty());

        // Phones store pictures sideways with an EXIF tag to turn them by; Qt writes none, hence the bytes.
        const QString phone = dir.filePath("phone.jpg");
        const QByteArray exif = QByteArray::fromHex("ffe10022 457869660000 4d4d002a00000008"
                                                    "0001 0112 0003 00000001 00060000 00000000");
        QVERIFY(writePicture(phone, Qt::gray));
        QVERIFY(brivo::test::writeFile(phone, brivo::test::readFile(phone).insert(2, exif)));
        QCOMPARE(brivo::decodePicture(phone).size(), QSize(200, 300));

        // Qt refuses a few hundred megabytes by default, less than a scan takes; a picture above the pixel
        // budget is decoded at the largest size within it, and says how large it is. One bit a pixel keeps
        // the files small.
        QImage scan(9000, 8000, QImage::Format_Mono), huge(24000, 24000, QImage::Format_Mono);
        scan.fill(1);
        huge.fill(0);
        QVERIFY(scan.save(dir.filePath("scan.png")) && huge.save(dir.filePath("huge.png")));
        huge = QImage();
        QCOMPARE(brivo::decodePicture(dir.filePath("scan.png")).size(), QSize(8485, 7542));
        const QImage reduced = brivo::decodePicture(dir.filePath("huge.png"));
        QCOMPARE(reduced.size(), QSize(8000, 8000));
        QCOMPARE(reduced.text(brivo::kFullSizeText), QStringLiteral("24000x24000"));

        // JPEGs are decoded apart from the toolkit's reader, to the same pixels, colour and grey; and every
        // decode stops when told to, whatever the format.
        QImage noise(640, 480, QImage::Format_RGB32);
        QRandomGenerator random(3);
        for (int y = 0; y < noise.height(); ++y)
            random.fillRange(reinterpret_cast<quint32 *>(noise.scanLine(y)), noise.width());
        const QString colourJpeg = dir.filePath("colour.jpg"), greyJpeg = dir.filePath("grey.jpeg");
        QVERIFY(noise.save(colourJpeg, "JPEG", 90) && noise.save(dir.filePath("noise.png")));
        QVERIFY(noise.convertToFormat(QImage::Format_Grayscale8).save(greyJpeg, "JPEG"));
        for (const QString &jpeg : {colourJpeg, greyJpeg}) {
            const QImage ours = brivo::decodePicture(jpeg), toolkits = QImageReader(jpeg).read();
            QVERIFY(!ours.isNull() && ours.format() == toolkits.format() && ours == toolkits);
        }
        for (const char *name : {"colour.jpg", "noise.png"}) {
            int asked = 0;
            QVERIFY(brivo::decodePicture(dir.filePath(name), [&] { return ++asked > 10; }).isNull());
        }
        // A named pipe or a device under a picture's name is no picture, and is not waited on or read.
        QVERIFY(mkfifo(QFile::encodeName(dir.filePath("pipe.png")).constData(), 0600) == 0 &&
                QFile::link("/dev/zero", dir.filePath("zero.jpg")));
        QVERIFY(brivo::decodePicture(dir.filePath("pipe.png")).isNull());
        QVERIFY(brivo::decodePicture(dir.filePath("zero.jpg")).isNull());

        // A neighbour asked for at once (still queued or decoding) or once ready: always the right picture.
        brivo::PictureCache cache;
        for (int i = 0; i + 2 < pictures.size(); ++i) {
            const QString next = m_folder.filePath(pictures.at(i + 1).first);
            cache.keepOnly(m_folder.filePath(pictures.at(i).first), {next});
            if (i % 2)
                QTRY_VERIFY(cache.isReady(next));
            QCOMPARE(cache.picture(next).pixelColor(0, 0), pictures.at(i + 1).second);
        }
    }

    void zoomRotationResizeKeysAndMouse()
    {
        imgv *viewer = open<imgv>(m_folder.filePath("a.png"));
        const auto shown = [viewer] { return viewer->imageLabel->pixmap().size(); };
        const auto box = [viewer] { return QSize(viewer->boxWidth, viewer->boxHeight); };
        QSize windowBox = viewer->size() - QSize(15, 60);
        QCOMPARE(box(), windowBox);
        QCOMPARE(shown(), QSize(windowBox.width(), windowBox.width() * 2 / 3));

        // A rotation fits the turned picture into the window box and leaves the zoom box as it stood.
        viewer->zoomin();
        viewer->tranr();
        QCOMPARE(shown().height(), windowBox.height());
        viewer->zoomin();
        QCOMPARE(box(), windowBox + QSize(100, 100));
        QCOMPARE(shown().height(), windowBox.height() + 100);

        viewer->resize(800, 700); // a resize ends the zoom
        windowBox = QSize(785, 640);
        QTRY_COMPARE(box(), windowBox);
        QCOMPARE(shown().height(), 640);
        // The view is laid out with the window: the viewer takes keys and wheel, not the view's own events.
        QTRY_COMPARE(viewer->scrollArea->viewport()->width(), 800 - 2 * viewer->scrollArea->frameWidth());
        viewer->backward(); // even a step that cannot move drops the rotation
        QCOMPARE(shown(), QSize(785, 523));
        for (int turn = 0; turn < 4; ++turn) // rotations add up: four give the picture as it was
            viewer->tranl();
        QCOMPARE(viewer->pixmap.toImage(), viewer->image);

        // Keys and the wheel on the view; a click on a button leaves them there (tst_common,
        // tst_toolwindows).
        QWidget *view = viewer->scrollArea;
        viewer->forward();
        QTest::keyClick(view, Qt::Key_Right);
        QTRY_COMPARE(shownColour(viewer), QColor(Qt::blue));
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageDown})
            QTest::keyClick(view, key);
        QCOMPARE(box(), windowBox + QSize(50, 50));
        QTest::keyClick(view, Qt::Key_Left);
        QTRY_COMPARE(shownColour(viewer), QColor(Qt::green));
        for (int delta : {120, 0, -120})
            turnWheel(view, delta);
        QCOMPARE(box(), windowBox);
        for (int part = 0; part < 8; ++part) // a fine wheel or a touchpad: eight parts make one notch
            turnWheel(view, 15);
        QCOMPARE(box(), windowBox + QSize(50, 50));

        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(viewer->isFullScreen());
        QTest::mouseDClick(viewer->scrollArea->viewport(), Qt::LeftButton);
        QTRY_VERIFY(!viewer->isFullScreen());
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        QCOMPARE(viewer->pictureCache().size(), 1); // a closed viewer keeps only what it shows
    }

    // The last test of the folder: it changes and deletes pictures.
    void steppingThroughTheFolder()
    {
        brivo::test::ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        imgv *viewer = open<imgv>(m_folder.filePath("x.jpg"));
        QVERIFY(answers.seen().size() == 1 && answers.last().icon == QMessageBox::Warning);
        // Three letters are a text, which the notepad reads: the box offers it.
        QCOMPARE(answers.last().text, QStringLiteral("Cannot Load Image\n\nx.jpg is a plain text document."));
        QVERIFY(viewer->imageLabel->pixmap().isNull());
        viewer->backward();
        viewer->backward();
        QTRY_COMPARE(shownColour(viewer), QColor(Qt::yellow));
        // The next picture is decoded ahead, and decoded afresh when it changes on disk before it is shown.
        QTRY_VERIFY(viewer->pictureCache().isReady(m_folder.filePath("E.png")));
        QFile changed(m_folder.filePath("E.png"));
        QVERIFY(writePicture(changed.fileName(), Qt::magenta) && changed.open(QIODevice::ReadWrite));
        QVERIFY(changed.setFileTime(QDateTime::currentDateTime().addSecs(5), QFile::FileModificationTime));
        // Names that do not decode are shown as a message in their place; past the end a step re-shows the
        // last name. Only the shown picture and its neighbours stay decoded.
        for (const char *shows :
             {"", "x.jpg: cannot be shown: not a picture the viewer can read",
              "y.gif: cannot be shown: it is a folder", "y.gif: cannot be shown: it is a folder"}) {
            viewer->forward();
            QTRY_VERIFY(viewer->awaitedPath().isEmpty());
            QCOMPARE(viewer->imageLabel->text(), QLatin1String(shows));
            QCOMPARE(shownColour(viewer), *shows ? QColor() : QColor(Qt::magenta));
            QVERIFY(viewer->pictureCache().size() <= 3);
        }
        QCOMPARE(viewer->currentIndex, 6);

        // Opened empty from the launcher: no warning, and the current folder is listed from its first name.
        const brivo::test::CurrentDirectory here(m_folder.path());
        imgv *empty = open<imgv>(QString());
        QVERIFY(empty->imageLabel->pixmap().isNull());
        empty->forward();
        QTRY_COMPARE(shownColour(empty), QColor(Qt::green));
        QCOMPARE(answers.seen().size(), 1);

        // Files deleted while viewing: a step back from past the end goes to the last name left.
        for (const char *name : {"c.Png", "d.png", "E.png", "x.jpg", "y.gif"})
            QVERIFY(QDir(m_folder.path()).remove(name) || QDir(m_folder.path()).rmdir(name));
        viewer->backward();
        QTRY_COMPARE(shownColour(viewer), QColor(Qt::green));
        viewer->backward();
        QTRY_COMPARE(shownColour(viewer), QColor(Qt::red));
    }

    // A picture that does not decode is a step of its own, shown as a message with its place in the folder;
    // transparent parts are drawn on a grey checkerboard.
    void aBrokenPictureIsAStepOfItsOwn()
    {
        QTemporaryDir dir;
        QImage clear(300, 200, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        QVERIFY(clear.save(dir.filePath("1.png")) &&
                brivo::test::writeFile(dir.filePath("2.png"), "broken") &&
                writePicture(dir.filePath("3.png"), Qt::red));
        imgv *viewer = open<imgv>(dir.filePath("1.png"));
        QTest::keyClick(viewer->scrollArea, Qt::Key_I);
        const auto *information = viewer->findChild<QLabel *>("information");
        const QString broken = QStringLiteral("2.png: cannot be shown: not a picture the viewer can read");
        const std::tuple<Qt::Key, const char *, QColor, QString> steps[] = {
            {Qt::Key_unknown, "1 / 3", QColor(0x66, 0x66, 0x66), QString()},
            {Qt::Key_Right, "2 / 3", QColor(), broken},
            {Qt::Key_Right, "3 / 3", QColor(Qt::red), QString()},
            {Qt::Key_Left, "2 / 3", QColor(), broken},
            {Qt::Key_Left, "1 / 3", QColor(0x66, 0x66, 0x66), QString()}};
        for (const auto &[key, place, colour, text] : steps) {
            if (key != Qt::Key_unknown)
                QTest::keyClick(viewer->scrollArea, key);
            QTRY_COMPARE(viewer->imageLabel->text(), text);
            QTRY_COMPARE(shownColour(viewer), colour);
            QVERIFY2(information->text().endsWith(QLatin1String(place)), qPrintable(information->text()));
        }
    }

    // Wheel and keys zoom about the pointer and the centre: the pixel there stays. Key 1 goes from any zoom
    // to actual size and back to fitting the window.
    void zoomKeepsThePointInPlace()
    {
        QTemporaryDir dir;
        QImage ramp(400, 300, QImage::Format_RGB32); // each pixel's colour tells where it is
        for (int y = 0; y < ramp.height(); ++y)
            for (int x = 0; x < ramp.width(); ++x)
                ramp.setPixel(x, y, qRgb(x * 255 / 399, y * 255 / 299, 0));
        QVERIFY(ramp.save(dir.filePath("ramp.png")));
        imgv *viewer = open<imgv>(dir.filePath("ramp.png"));
        QWidget *viewport = viewer->scrollArea->viewport();
        const auto colourAt = [&](QPointF at) { return viewport->grab().toImage().pixelColor(at.toPoint()); };
        const QPointF pointer(viewport->width() * 0.7, viewport->height() * 0.6);
        const std::tuple<Qt::Key, int, QPointF> zooms[] = {{Qt::Key_unknown, 120, pointer},
                                                           {Qt::Key_Up, 0, viewport->rect().center()},
                                                           {Qt::Key_unknown, -120, pointer}};
        for (const auto &[key, delta, at] : zooms) {
            for (int notch = 0; notch < 4; ++notch) {
                const QColor before = colourAt(at);
                if (key == Qt::Key_unknown)
                    turnWheel(viewport, delta, at);
                else
                    QTest::keyClick(viewer->scrollArea, key);
                const QColor after = colourAt(at);
                QVERIFY2(qAbs(before.red() - after.red()) <= 3 && qAbs(before.green() - after.green()) <= 3,
                         qPrintable(QStringLiteral("%1 -> %2").arg(before.name(), after.name())));
            }
        }
        QVERIFY(viewer->boxWidth > viewport->width());
        QTest::keyClick(viewer->scrollArea, Qt::Key_1);
        QCOMPARE(viewer->imageLabel->pixmap().size(), QSize(400, 300));
        QTest::keyClick(viewer->scrollArea, Qt::Key_1);
        QCOMPARE(QSize(viewer->boxWidth, viewer->boxHeight), viewer->size() - QSize(15, 60));
    }

    // Stepping never waits for a decode: the picture on screen stays until the next one is ready, and one
    // that is ready only after the user has stepped on is not shown.
    void stepsDoNotWaitForTheirPicture()
    {
        QTemporaryDir dir;
        // The third is large enough that its decode cannot be over before the next line of the test runs.
        QImage large(3000, 3000, QImage::Format_RGB32);
        large.fill(Qt::blue);
        QVERIFY(writePicture(dir.filePath("1.png"), Qt::red) &&
                writePicture(dir.filePath("2.png"), Qt::green) && large.save(dir.filePath("3.jpg")) &&
                writePicture(dir.filePath("4.png"), Qt::yellow));
        imgv *viewer = open<imgv>(dir.filePath("1.png"));
        const QString second = dir.filePath("2.png"), third = dir.filePath("3.jpg");
        QTRY_VERIFY(viewer->pictureCache().isReady(second));
        viewer->forward(); // decoded ahead: shown at once
        QCOMPARE(viewer->shownPath(), second);
        viewer->forward(); // its decode has only just begun
        QCOMPARE(viewer->awaitedPath(), third);
        QCOMPARE(shownColour(viewer), QColor(Qt::green));
        viewer->backward();
        QTRY_VERIFY(viewer->pictureCache().isReady(third)); // decoded ahead again, as a neighbour
        QTest::qWait(50);
        QCOMPARE(viewer->shownPath(), second);
        viewer->forward();
        QCOMPARE(shownColour(viewer).blue(), 254); // as JPEG keeps it

        // Several steps in a row: only the last is decoded and shown.
        for (void (imgv::*step)() :
             {&imgv::backward, &imgv::backward, &imgv::forward, &imgv::forward, &imgv::forward})
            (viewer->*step)();
        QTRY_COMPARE(viewer->shownPath(), dir.filePath("4.png"));
        QCOMPARE(shownColour(viewer), QColor(Qt::yellow));
    }

    // Each viewer steps through the folder of the picture it was opened for, and none of them changes the
    // process's current folder, which every other window's relative paths and runs resolve against.
    void anImageViewerStaysInItsFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("one") && QDir(dir.path()).mkdir("two"));
        for (const char *name : {"one/a.png", "one/b.png", "two/c.png", "two/d.png"})
            QVERIFY(writePicture(dir.filePath(name), Qt::red));
        const brivo::test::CurrentDirectory here(dir.path());
        imgv *first = open<imgv>(QStringLiteral("one/a.png"));
        imgv *second = open<imgv>(dir.filePath("two/c.png"));
        QCOMPARE(QDir::currentPath(), dir.path());
        first->forward();
        QTRY_COMPARE(first->shownPath(), dir.filePath("one/b.png"));
        QCOMPARE(QDir::currentPath(), dir.path());
        second->forward();
        QTRY_COMPARE(second->shownPath(), dir.filePath("two/d.png"));
    }

    // The first three resize events of the process leave the animation at its own size; a GIF viewer opened
    // later stretches it to its window less 150 pixels each way from its first resize on.
    void gifViewers()
    {
        const auto showsIcon = [](gif *viewer, QStyle::StandardPixmap which) {
            const QIcon expected = viewer->style()->standardIcon(which);
            return viewer->playButton->icon().pixmap(16).toImage() == expected.pixmap(16).toImage();
        };
        QVERIFY(brivo::test::writeFile(m_dir.filePath("a.gif"), gifAnimation(3, true)));
        gif::resizeCount = 0;
        gif *first = open<gif>(m_dir.filePath("a.gif"));
        for (int size = 400; gif::resizeCount < 3; size += 10) {
            QCOMPARE(first->movie->scaledSize(), QSize());
            first->resize(size, size);
        }
        QCOMPARE(first->movie->scaledSize(), QSize());
        first->resize(500, 450);
        QCOMPARE(first->movie->scaledSize(), QSize(350, 300));

        gif *second = open<gif>(m_dir.filePath("a.gif"));
        second->resize(400, 300);
        QCOMPARE(second->movie->scaledSize(), QSize(250, 150));
        second->resize(140, 400); // no room: the animation keeps its size
        QCOMPARE(second->movie->scaledSize(), QSize(250, 150));
        QCOMPARE(gif::resizeCount, 3);

        // The animation sits in the middle of the larger window.
        second->resize(400, 300);
        QTRY_COMPARE(second->movie->currentPixmap().size(), QSize(250, 150));
        const QImage shown = second->movieLabel->grab().toImage();
        int left = 0;
        while (left < shown.width() && shown.pixelColor(left, shown.height() / 2) == shown.pixelColor(0, 0))
            ++left;
        QVERIFY2(qAbs(left - (shown.width() - 250) / 2) <= 1, qPrintable(QString::number(left)));

        // The button and Space pause and play; Escape closes.
        for (QMovie::MovieState state : {QMovie::Running, QMovie::Paused, QMovie::Running, QMovie::Paused}) {
            const auto icon = state == QMovie::Running ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay;
            QVERIFY(second->movie->state() == state && showsIcon(second, icon));
            if (state == QMovie::Running)
                QTest::mouseClick(second->playButton, Qt::LeftButton);
            else
                QTest::keyClick(second, Qt::Key_Space);
        }
        QTest::keyClick(second, Qt::Key_Escape);
        QVERIFY(!second->isVisible());
        QVERIFY(brivo::test::writeFile(m_dir.filePath("cut.gif"), gifAnimation(3, true).left(80)));
        gif *cut = open<gif>(m_dir.filePath("cut.gif")); // a download cut short: the frames that came
        QTRY_VERIFY(!cut->movie->currentPixmap().isNull());
        // A finished animation, none and no GIF stay stopped: the button only switches to the play icon.
        const QList<QPair<QByteArray, bool>> files = {
            {gifAnimation(2, false), true}, {QByteArray(), false}, {"GIF? a shopping list", false}};
        brivo::test::ModalAnswerer answers; // the shopping list is offered to the notepad (tst_pictures)
        for (const auto &[contents, showsAFrame] : files) {
            const QString path =
                contents.isNull() ? QString() : m_dir.filePath(QString::number(contents.size()));
            QVERIFY(contents.isNull() || brivo::test::writeFile(path, contents));
            gif *viewer = open<gif>(path);
            QTRY_COMPARE(viewer->movie->state(), QMovie::NotRunning);
            QCOMPARE(!viewer->movie->currentPixmap().isNull(), showsAFrame);
            for (int click = 0; click < 2; ++click) {
                viewer->click();
                QVERIFY(showsIcon(viewer, QStyle::SP_MediaPlay) &&
                        viewer->movie->state() == QMovie::NotRunning);
            }
        }
    }

    // The viewer's arithmetic: page bounds, the typed page, zoom limits, the wheel's two-step turn, fitting.
    void pdfPagingArithmetic_data()
    {
        QTest::addColumn<QString>("got");
        QTest::addColumn<QString>("expected");
        using namespace pdfpaging;
        const auto row = [](const char *name, auto got, const char *expected) {
            QTest::newRow(name) << QVariant::fromValue(got).toString() << QString(expected);
        };
        QStringList typed, wheel; // each case's page, or "-" for none; each wheel step's outcome
        for (const char *text : {"3", " 2 ", "02", "4", "0", "-1", "two", "2x", "", "0x2", "99999999999"})
            typed << QString::number(typedPage(QString::fromUtf8(text), 3).value_or(-1)).replace("-1", "-");
        // A wheel step: armed ('a') or not, on a page, forward ('f') or back.
        for (const char *step : {"-1f", "a1f", "a1b", "a2f", "a0b"}) {
            const WheelTurn turn = wheelStep(step[0] == 'a', step[1] - '0', 3, step[2] == 'f');
            wheel << QString::number(turn.pageIndex) + (turn.armed ? "a" : "") + (turn.show ? "s" : "");
        }
        row("next", nextPage(0, 3), "1");
        row("next at the last page", nextPage(2, 3), "2");
        row("next past the end", nextPage(7, 3), "2");
        row("next without pages", nextPage(0, 0), "0");
        row("previous", previousPage(2), "1");
        row("previous at the first page", previousPage(0), "0");
        row("typed", typed.join(' '), "2 1 1 - - - - - - - -");
        // The first step arms; the next turns and disarms; forward at the last page only disarms.
        row("wheel", wheel.join(' '), "1a 2s 0s 2 0s");
        row("zoom in", zoomedIn(100), "130");
        row("zoom in at the top", zoomedIn(INT_MAX - 1), "2147483646");
        row("zoom out", zoomedOut(100).value_or(-1), "70");
        row("zoom out to the floor", zoomedOut(40).value_or(-1), "10");
        row("zoom out below the floor", zoomedOut(39).value_or(-1), "-1");
        QStringList zooms;
        for (const char *text : {"150", " 25 % ", "800%", "24", "801", "1.5", "", "%"})
            zooms << QString::number(typedZoom(QString::fromUtf8(text)).value_or(-1)).replace("-1", "-");
        row("typed zoom", zooms.join(' '), "150 25 800 - - - - -");
        row("fit width", fitDpi({216, 144}, {301, 101}, false), "100");
        row("fit page", fitDpi({216, 144}, {301, 101}, true), "50");
        row("fit into little room", fitDpi({216, 144}, {20, 20}, true), "10");
        row("fit into no room", fitDpi({216, 144}, {0, 300}, false), "0");
        row("opening size", openingSize({300, 200}, {20, 80}, {1000, 250}) == QSize(320, 250), "true");
        // Poppler answers a page it cannot render with no picture, or with a single pixel when it cannot
        // allocate one; a page that small really is one pixel, though.
        row("no picture", renderFailed({}, {216, 144}, 100, 100), "true");
        row("one pixel", renderFailed({1, 1}, {216, 144}, 100, 100), "true");
        row("a one-pixel page", renderFailed({1, 1}, {1, 1}, 100, 100), "false");
    }
    void pdfPagingArithmetic()
    {
        QFETCH(QString, got);
        QTEST(got, "expected");
    }

    void pdfPagingZoomRotationAndClosing()
    {
        pdf *w = open<pdf>(m_threePages);
        QCOMPARE(w->findChild<QLabel *>("pageCountLabel")->text(), QStringLiteral("/3"));
        QCOMPARE(after(w), QStringLiteral("1 red tl 300x200")); // 100 dots per inch
        // The page prepared ahead is the page as the viewer renders it; then the next one is prepared, and
        // the one left stays at hand.
        QVERIFY(waitUntilPrepared(w, 1));
        QCOMPARE(after(w, ">"), QStringLiteral("2 green tl 300x200"));
        auto *prerenderer = w->findChild<brivo::PagePrerenderer *>();
        // The prepared picture itself is shown, not a copy of it.
        QCOMPARE(w->findChild<QLabel *>("imageLabel")->pixmap().toImage().constBits(),
                 prerenderer->page(1).constBits());
        QVERIFY(waitUntilPrepared(w, 2) && prerenderer->isKept(0));
        QCOMPARE(after(w, ">>"), QStringLiteral("3 blue tl 300x200")); // no step past the last page
        QCOMPARE(after(w, "<<<"), QStringLiteral("1 red tl 300x200")); // nor before the first

        auto *area = w->findChild<QScrollArea *>("scrollArea");
        QTest::keyClick(area, Qt::Key_Return);
        QVERIFY(w->isFullScreen());
        QTest::mouseDClick(w->findChild<QLabel *>("imageLabel"), Qt::LeftButton);
        QVERIFY(!w->isFullScreen());

        after(w, "r");
        // Out of range or not a number (pdfPagingArithmetic has the rest): ignored, not even shown again.
        for (const char *ignored : {"4", "two"}) {
            w->findChild<QLineEdit *>("pageEdit")->setText(QLatin1String(ignored));
            QCOMPARE(after(w, "g"), QStringLiteral("%1 red tr 200x300").arg(QLatin1String(ignored)));
        }
        w->findChild<QLineEdit *>("pageEdit")->setText(QStringLiteral("02"));
        QTest::mouseClick(w->findChild<QPushButton *>("goButton"), Qt::LeftButton);
        QCOMPARE(after(w), QStringLiteral("2 green tl 300x200")); // a turn: the field shows the page
        QTest::mouseClick(w->findChild<QPushButton *>("foButton"), Qt::LeftButton);
        QCOMPARE(after(w), QStringLiteral("3 blue tl 300x200"));

        // A page that fits the view: a first step arms, the next one turns and disarms; but forward at the
        // last page changes nothing at all, and backward at the first page shows it afresh, upright.
        QCOMPARE(after(w, "r--"), QStringLiteral("3 blue tr 200x300"));
        QCOMPARE(after(w, "+++"), QStringLiteral("2 green tl 300x200"));
        QCOMPARE(after(w, "r+++"), QStringLiteral("1 red tl 300x200"));
        QCOMPARE(after(w, "---"), QStringLiteral("2 green tl 300x200"));

        // Page 3 is prepared at 100 dots per inch; after the zoom a turn to it must not show that.
        QVERIFY(waitUntilPrepared(w, 2));
        after(w, "ri");
        QTest::mouseClick(w->findChild<QPushButton *>("ziButton"), Qt::LeftButton);
        QVERIFY(w->pageComing()); // drawn on a worker, while the window goes on
        QCOMPARE(after(w), QStringLiteral("2 green tr 320x480")); // 160 dots per inch, still turned
        w->resize(840, 630);
        QTRY_COMPARE(w->size(), QSize(840, 630));
        QCOMPARE(after(w), QStringLiteral("2 green tr 320x480"));
        QCOMPARE(after(w, "lll"), QStringLiteral("2 green br 480x320"));
        QCOMPARE(after(w, "f"), QStringLiteral("3 blue tl 480x320"));
        // A zoom while the page is still coming: the turn goes on, at the new zoom.
        QTest::keyClick(area, Qt::Key_Home);
        QVERIFY(w->pageComing());
        w->zo();
        QCOMPARE(after(w), QStringLiteral("1 red tl 390x260"));
        QCOMPARE(after(w, "ff"), QStringLiteral("3 blue tl 390x260"));
        QCOMPARE(after(w, "ooooooo"), QStringLiteral("3 blue tl 30x20")); // 10 dots per inch, no further
        QCOMPARE(after(w, "i"), QStringLiteral("3 blue tl 120x80"));
        // The zoom field shows the zoom in percent of 100 dots per inch and takes one typed.
        auto *zoom = w->findChild<QLineEdit *>("zoomEdit");
        QCOMPARE(zoom->text(), QStringLiteral("40 %"));
        for (const char *typed : {"900", "250"}) {
            zoom->setText(QLatin1String(typed));
            QTest::keyClick(zoom, Qt::Key_Return);
            QCOMPARE(after(w), QStringLiteral("3 blue tl %1").arg(typed[0] == '9' ? "120x80" : "750x500"));
        }
        QCOMPARE(zoom->text(), QStringLiteral("250 %"));
        QTest::mouseClick(w->findChild<QPushButton *>("fitPageButton"), Qt::LeftButton);
        QTRY_VERIFY(zoom->text() != QStringLiteral("250 %"));
        // Escape closes (hides) the window, which lets go of the pages prepared for it.
        QVERIFY(waitUntilPrepared(w, 1));
        QTest::keyClick(area, Qt::Key_Escape);
        QVERIFY(!w->isVisible());
        QVERIFY(!w->findChild<brivo::PagePrerenderer *>()->isKept(1));
    }

    // The wheel counts whole notches: a touchpad's small steps neither arm nor turn on their own.
    void pdfWheelCountsWholeNotches()
    {
        pdf *w = open<pdf>(m_threePages);
        auto *field = w->findChild<QLineEdit *>("pageEdit");
        auto *label = w->findChild<QLabel *>("imageLabel");
        for (int round = 0; round < 2; ++round) {
            for (int part = 0; part < 8; ++part)
                turnWheel(label, -15);
            QCOMPARE(field->text(), QString::number(round + 1)); // the first notch arms, the second turns
        }
    }

    // Opened as the program opens it, the window shows the page's whole width at 100 dots per inch, as far
    // as the screen has room. The fit buttons zoom with the window until the user zooms by hand.
    void pdfOpeningSizeAndFit()
    {
        const QString wide = m_dir.filePath("wide.pdf"); // 10 x 2 inches: wider than the screen at 100 dpi
        QVERIFY(brivo::test::writeFile(wide, makePdf({{{720, 144}, "1 0 0"}})));
        for (const QString &path :
             {m_threePages, wide}) { // openingSize (pdfPagingArithmetic) sizes the window
            auto *w = qobject_cast<pdf *>(brivo::openTool(brivo::Tool::PdfViewer, path));
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QTRY_VERIFY(!w->pageComing());
            auto *area = w->findChild<QScrollArea *>("scrollArea");
            QCOMPARE(w->findChild<QLabel *>("imageLabel")->pixmap().width(), path == wide ? 1000 : 300);
            // The wide page's window takes the screen's width, its frame included.
            QVERIFY(path == wide ? QTest::qWaitFor([w] {
                return w->frameGeometry().width() == w->screen()->availableGeometry().width();
            })
                                 : !area->horizontalScrollBar()->isVisible() &&
                                       !area->verticalScrollBar()->isVisible());
        }

        pdf *w = open<pdf>(m_tallPages, QSize(500, 400));
        auto *area = w->findChild<QScrollArea *>("scrollArea");
        auto *label = w->findChild<QLabel *>("imageLabel");
        auto *fitWidth = w->findChild<QPushButton *>("fitWidthButton");
        auto *fitPage = w->findChild<QPushButton *>("fitPageButton");
        QVERIFY(fitWidth->toolTip().contains(
            QKeySequence(Qt::CTRL | Qt::Key_9).toString(QKeySequence::NativeText)));
        const auto fitsWidth = [&] {
            const int room = area->viewport()->width(), width = label->pixmap().width();
            return width <= room && width > room - 8 && !area->horizontalScrollBar()->isVisible();
        };
        QTest::keyClick(w, Qt::Key_9, Qt::ControlModifier);
        QVERIFY(fitWidth->isChecked());
        QTRY_VERIFY(fitsWidth());
        w->resize(700, 450);
        QTRY_VERIFY(fitsWidth());
        QVERIFY(after(w, "f").startsWith("2 green"));
        QTRY_VERIFY(fitsWidth());

        // The whole page: here its height sets the size, also after a quarter turn and a resize.
        QTest::mouseClick(fitPage, Qt::LeftButton);
        QVERIFY(fitPage->isChecked() && !fitWidth->isChecked());
        const auto fitsPage = [&] {
            const QSize room = area->viewport()->size(), shown = label->pixmap().size();
            return shown.width() <= room.width() && shown.height() <= room.height() &&
                   (shown.height() * 1.1 > room.height() || shown.width() * 1.1 > room.width());
        };
        QTRY_VERIFY(fitsPage());
        after(w, "r");
        QTRY_VERIFY(fitsPage() && label->pixmap().width() > label->pixmap().height());
        w->resize(600, 500);
        QTRY_VERIFY(fitsPage());

        // Zooming by hand ends the fit: the size stays through the next resize.
        const QString zoomed = after(w, "i");
        QVERIFY(!fitPage->isChecked());
        w->resize(800, 550);
        QTest::qWait(100);
        QCOMPARE(after(w), zoomed);
    }

    // Reopened, a document starts where it was left: page, resolution, or the fit that was on. A document
    // changed since starts at the first page as a new one does.
    void pdfRemembersWhereItWasLeft()
    {
        const QString kept = m_dir.filePath("kept.pdf");
        QFile::remove(kept);
        QVERIFY(QFile::copy(m_threePages, kept));
        pdf *w = open<pdf>(kept);
        QCOMPARE(after(w, "ffi"), QStringLiteral("3 blue tl 390x260"));
        w->close();
        w = open<pdf>(kept);
        QCOMPARE(after(w), QStringLiteral("3 blue tl 390x260"));
        QTest::keyClick(w, Qt::Key_8, Qt::ControlModifier);
        after(w, "b");
        // Left open when the program ends, after the pause that stores it.
        QTest::qWait(1300);
        const QJsonObject stored =
            QJsonDocument::fromJson(brivo::test::readFile(m_state->path() + "/pdf-places.json")).object();
        QCOMPARE(stored.value(kept).toObject().value("page").toInt(), 1);
        QCOMPARE(stored.value(kept).toObject().value("fit").toString(), QStringLiteral("page"));
        w = qobject_cast<pdf *>(brivo::openTool(brivo::Tool::PdfViewer, kept));
        QVERIFY(w->findChild<QPushButton *>("fitPageButton")->isChecked());
        QVERIFY(after(w).startsWith("2 green"));

        // Rewritten with other pages: its first page, at the usual resolution.
        QVERIFY(brivo::test::writeFile(kept, makePdf({{{216, 144}, "0 0 1"}, {{216, 144}, "0 0 1"}})));
        QCOMPARE(after(open<pdf>(kept)), QStringLiteral("1 blue tl 300x200"));
        // A state file that is not what it should be is no reason to fail.
        QVERIFY(brivo::test::writeFile(m_state->path() + "/pdf-places.json",
                                       "{\"" + kept.toUtf8() + "\": {\"page\": \"x\", \"dpi\": -5}}"));
        QCOMPARE(after(open<pdf>(kept)), QStringLiteral("1 blue tl 300x200"));
    }

    // The outline in the contents panel turns pages; links to pages turn them; a web address is shown, then
    // handed to the browser, while an address of a local program is not; Shift+drag selects text to copy.
    // Ctrl+F finds on every page off the GUI thread; next and previous turn pages and go round; hits are
    // marked on the page; Escape ends the search.
    void pdfFindsAcrossPages()
    {
        const QString path = m_dir.filePath("words.pdf");
        QVERIFY(brivo::test::writeFile(path, wordsPdf()));
        pdf *w = open<pdf>(path);
        QVERIFY(w);
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::keySequence(w, QKeySequence::Find);
        auto *bar = w->findChild<brivo::FindBar *>();
        QVERIFY(bar && bar->isVisible());
        QTest::keyClicks(QApplication::focusWidget(), "beta");
        QTRY_VERIFY(w->searchFinished);
        QCOMPARE(bar->message(), QStringLiteral("3 matches on 2 pages"));
        // The first hit is gone to and marked in the stronger colour.
        QCOMPARE(std::pair(w->currentHitPage, w->currentHitIndex), std::pair(0, 0));
        const auto marked = [w] {
            const QImage shown = w->findChild<QLabel *>("imageLabel")->pixmap().toImage();
            for (int y = 0; y < shown.height(); y += 2)
                for (int x = 0; x < shown.width(); x += 2)
                    if (const QColor c = shown.pixelColor(x, y);
                        c.red() > 200 && c.blue() < 150 && c.green() > 100)
                        return true;
            return false;
        };
        QVERIFY(marked());

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        QVERIFY(after(w).startsWith("3 "));
        QCOMPARE(std::pair(w->currentHitPage, w->currentHitIndex), std::pair(2, 0));
        QVERIFY(marked());
        const QImage firstOnThird = w->findChild<QLabel *>("imageLabel")->pixmap().toImage();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        QCOMPARE(std::pair(w->currentHitPage, w->currentHitIndex), std::pair(2, 1));
        // The stronger colour moved to the second hit on the page shown.
        QVERIFY(w->findChild<QLabel *>("imageLabel")->pixmap().toImage() != firstOnThird);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        QVERIFY(after(w).startsWith("1 "));
        QVERIFY2(bar->message().contains("from the start"), qPrintable(bar->message()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(std::pair(w->currentHitPage, w->currentHitIndex), std::pair(2, 1));
        QVERIFY(bar->message().contains("from the end"));

        // Zoomed in far, the match gone to is scrolled into view, on the page shown and across pages.
        const auto currentInView = [w] {
            auto *label = w->findChild<QLabel *>("imageLabel");
            const QImage shown = label->pixmap().toImage();
            const QPoint at =
                QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, shown.size(), label->contentsRect())
                    .topLeft();
            const QRect seen = label->visibleRegion().boundingRect().translated(-at) & shown.rect();
            for (int y = seen.top(); y <= seen.bottom(); y += 2)
                for (int x = seen.left(); x <= seen.right(); x += 2)
                    if (const QColor c = shown.pixelColor(x, y);
                        c.red() > 200 && c.green() < 220 && c.blue() < 150)
                        return true;
            return false;
        };
        w->resize(300, 300);
        auto *zoom = w->findChild<QLineEdit *>("zoomEdit");
        zoom->setText("800");
        QTest::keyClick(zoom, Qt::Key_Return);
        after(w);
        QVERIFY(currentInView());
        for (int hit = 0; hit < 2; ++hit) {
            QTest::keyClick(w, Qt::Key_F3);
            after(w);
            QVERIFY(currentInView());
        }
        QCOMPARE(std::pair(w->currentHitPage, w->currentHitIndex), std::pair(2, 0));
        zoom->setText("100");
        QTest::keyClick(zoom, Qt::Key_Return);

        // A page without hits shows no marks; a word that is nowhere says so.
        QTest::keyClick(w->findChild<QScrollArea *>("scrollArea"), Qt::Key_Left);
        QVERIFY(after(w).startsWith("2 "));
        QVERIFY(!marked());
        bar->openFind();
        QTest::keyClicks(QApplication::focusWidget(), "x");
        QTRY_VERIFY(w->searchFinished);
        QCOMPARE(bar->message(), QStringLiteral("Not found"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(w->searchHits.isEmpty());
    }

    void pdfContentsLinksAndSelection()
    {
        const QString path = m_dir.filePath("linked.pdf");
        QVERIFY(brivo::test::writeFile(path, linkedPdf()));
        pdf *w = open<pdf>(path);
        auto *contents = w->findChild<QTreeWidget *>("contentsTree");
        QVERIFY(contents->isVisible());
        QCOMPARE(contents->topLevelItemCount(), 2);
        QTreeWidgetItem *third = contents->topLevelItem(1);
        QCOMPARE(third->text(0), QStringLiteral("Third page"));
        const auto click = [&](QTreeWidgetItem *item) {
            contents->scrollToItem(item);
            QTest::mouseClick(contents->viewport(), Qt::LeftButton, {},
                              contents->visualItemRect(item).center());
        };
        click(third);
        QVERIFY(after(w).startsWith("3 blue"));
        third->setExpanded(true);
        click(third->child(0));
        QVERIFY(after(w).startsWith("1 red"));
        // The keys stay with the page after a click on the panel.
        QCOMPARE(w->focusWidget(), w->findChild<QScrollArea *>("scrollArea"));
        // A document without an outline has no panel.
        pdf *plain = open<pdf>(m_threePages);
        QVERIFY(!plain->findChild<QTreeWidget *>("contentsTree")->isVisible());
        plain->close();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));

        auto *label = w->findChild<QLabel *>("imageLabel");
        AddressCatcher catcher;
        for (const char *scheme : {"https", "file"})
            QDesktopServices::setUrlHandler(scheme, &catcher, "open");
        QTest::mouseMove(label, onPage(w, {110, 25}));
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("https://example.org/minutes"));
        QTest::mouseClick(label, Qt::LeftButton, {}, onPage(w, {110, 25}));
        QTest::mouseClick(label, Qt::LeftButton, {}, onPage(w, {180, 25}));
        for (const char *scheme : {"https", "file"})
            QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(catcher.opened, QList<QUrl>({QUrl("https://example.org/minutes")}));
        QVERIFY(after(w).startsWith("1 red"));
        // Off a link a click does nothing; on the page link it turns to page 3, also on a page turned over.
        QTest::mouseClick(label, Qt::LeftButton, {}, onPage(w, {75, 25}));
        QVERIFY(after(w).startsWith("1 red"));
        after(w, "rr");
        QTest::mouseClick(label, Qt::LeftButton, {}, onPage(w, {216 - 40, 144 - 25}));
        QVERIFY(after(w).startsWith("3 blue"));
        // Back and forward retrace the jumps (contents to 3, to 1, the link to 3), by key and mouse button.
        QString trail;
        for (const auto &[alt, button] : {std::pair(Qt::Key_Left, Qt::BackButton),
                                          {Qt::Key_Left, Qt::BackButton},
                                          {Qt::Key_Left, Qt::BackButton},
                                          {Qt::Key_Right, Qt::ForwardButton}}) {
            QTest::keyClick(w, alt, Qt::AltModifier);
            trail += after(w).left(1);
            QTest::mouseClick(label, button);
            trail += after(w).left(1);
            QTest::mouseClick(label, button == Qt::BackButton ? Qt::ForwardButton : Qt::BackButton);
            trail += after(w).left(1) + ' ';
        }
        QCOMPARE(trail, QStringLiteral("131 313 113 131 "));

        // Shift+drag over the words, then Ctrl+C; a drag over a link selects rather than follows it.
        after(w, "bb");
        QGuiApplication::clipboard()->clear();
        QTest::mousePress(label, Qt::LeftButton, Qt::ShiftModifier, onPage(w, {10, 130}));
        QTest::mouseRelease(label, Qt::LeftButton, Qt::ShiftModifier, onPage(w, {210, 20}));
        QVERIFY(after(w).startsWith("1 red"));
        QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text().simplified(), QStringLiteral("Hello world"));
        // Only what the frame covers; and a page turn ends the selection.
        QTest::mousePress(label, Qt::LeftButton, Qt::ShiftModifier, onPage(w, {10, 130}));
        QTest::mouseRelease(label, Qt::LeftButton, Qt::ShiftModifier, onPage(w, {63, 90}));
        QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text().simplified(), QStringLiteral("Hello"));
        after(w, "f");
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->text().isEmpty());

        // The same on the continuous pages, upright, on their side and turned over.
        auto *area = w->findChild<QScrollArea *>("scrollArea");
        QTest::keyClick(area, Qt::Key_7, Qt::ControlModifier);
        auto *view = w->findChild<brivo::PdfPagesView *>();
        QVERIFY(view && view->isVisible());
        const auto field = [w] { return w->findChild<QLineEdit *>("pageEdit")->text(); };
        const auto onFirst = [view](QPointF points, bool turnedOver) {
            const QRect place = view->pageRect(0);
            const QPointF down(points.x() / 216, 1 - points.y() / 144);
            const QPointF at = turnedOver ? QPointF(1, 1) - down : down;
            return place.topLeft() + QPoint(qRound(at.x() * place.width()), qRound(at.y() * place.height()));
        };
        for (const bool turnedOver : {false, true}) {
            QTest::keyClick(area, Qt::Key_Home);
            QCOMPARE(field(), QStringLiteral("1"));
            QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, onFirst({10, 130}, turnedOver));
            QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, onFirst({210, 20}, turnedOver));
            QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text().simplified(), QStringLiteral("Hello world"));
            QTest::mouseClick(view, Qt::LeftButton, {}, onFirst({40, 25}, turnedOver));
            QCOMPARE(field(), QStringLiteral("3"));
            const QSize upright = view->pageRect(0).size();
            QTest::mouseClick(w->findChild<QPushButton *>("rrButton"), Qt::LeftButton);
            QCOMPARE(view->pageRect(0).size(), upright.transposed());
            QTest::mouseClick(w->findChild<QPushButton *>("rrButton"), Qt::LeftButton);
        }
    }

    void pdfTallPageScrollsBeforeItTurns()
    {
        pdf *w = open<pdf>(m_tallPages, QSize(300, 300));
        after(w, "iiiii"); // wider than the view as well
        auto *area = w->findChild<QScrollArea *>("scrollArea");
        QScrollBar *vertical = area->verticalScrollBar(), *horizontal = area->horizontalScrollBar();
        QTRY_VERIFY(vertical->maximum() > 0 && horizontal->maximum() > 0);
        // Up and Down belong to the viewer; the wheel within the page scrolls and arms nothing.
        QTest::keyClick(area, Qt::Key_Down);
        QCOMPARE(vertical->value(), 0);
        QVERIFY(after(w, "--").startsWith("1 red") && vertical->value() > 0);

        horizontal->setValue(20);
        QVERIFY(after(w, "f").startsWith("2 green") && vertical->value() == 0 && horizontal->value() == 0);
        // One step at the bottom arms; back at the top, one step the other way turns at once.
        vertical->setValue(vertical->maximum());
        after(w, "-");
        vertical->setValue(0);
        QVERIFY(after(w, "+").startsWith("1 red"));

        // The view follows the window's size: the viewer takes keys and wheel, not the view's own events.
        w->resize(w->size() + QSize(200, 100));
        QTRY_VERIFY(!horizontal->isVisible());
        QCOMPARE(area->viewport()->height(), area->height() - 2 * area->frameWidth());
    }

    // Pages are prepared only as far as they fit into the budget, most wanted first, so that none is
    // rendered and then thrown away; a page the worker is rendering when it is wanted is awaited; a file
    // replaced on disk since the window opened it is not read at all.
    void pdfPagesArePreparedOnce()
    {
        // Three 300 x 200 pages at 100 dots per inch, 234 KiB each: the budget holds one.
        brivo::PagePrerenderer pages(m_threePages, 3);
        pages.setPageSize([](int) { return QSizeF(216, 144); });
        pages.setBudgetKiB(300);
        pages.setResolution(100, 100);
        pages.prepare({2, 0});
        QTRY_VERIFY(pages.isKept(2));
        QVERIFY(!QTest::qWaitFor([&] { return pages.renderedCount() > 1; }, 300));
        pages.setBudgetKiB(200); // too small for any page
        pages.prepare({1});
        QVERIFY(!QTest::qWaitFor([&] { return pages.renderedCount() > 1; }, 300));
        QVERIFY(pages.page(1).isNull()); // the window renders it itself

        // A page slow to render (thousands of curves under its colour), taken from the worker mid-way.
        QByteArray curves;
        QRandomGenerator random(5);
        for (int i = 0; i < 1500; ++i) {
            for (int n = 0; n < 8; ++n)
                curves += QByteArray::number(random.bounded(216)) + (n == 1   ? " m "
                                                                     : n == 7 ? " c S\n"
                                                                              : " ");
        }
        const QString slow = m_dir.filePath("slow.pdf");
        QVERIFY(
            brivo::test::writeFile(slow, makePdf({{{216, 144}, "1 0 0"}, {{216, 144}, curves + "0 1 0"}})));
        brivo::PagePrerenderer slowPages(slow, 2);
        slowPages.setResolution(100, 100);
        slowPages.prepare({1});
        QVERIFY(QTest::qWaitFor([&] { return slowPages.isRendering(1); }, 5000));
        const QImage taken = slowPages.page(1);
        QVERIFY(!taken.isNull() && taken.pixelColor(150, 150) == QColor(Qt::green));
        QCOMPARE(slowPages.renderedCount(), 1);

        // Replaced by another document of as many pages (a new download saved over it), or no longer of the
        // page count the window read.
        const QString replaced = m_dir.filePath("replaced.pdf");
        QVERIFY(QFile::copy(m_threePages, replaced));
        brivo::PagePrerenderer stale(replaced, 3), mismatched(m_threePages, 4);
        QSaveFile other(replaced);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(makePdf({{{216, 144}, "0 0 0"}, {{216, 144}, "0 0 0"}, {{216, 144}, "0 0 0"}}));
        QVERIFY(other.commit());
        for (brivo::PagePrerenderer *unread : {&stale, &mismatched}) {
            unread->setResolution(100, 100);
            unread->prepare({0, 1});
        }
        QVERIFY(!QTest::qWaitFor([&] { return stale.isKept(0) || stale.isKept(1) || mismatched.isKept(0); },
                                 300));
    }

    void pdfDocumentsThatCannotBeShown_data()
    {
        QTest::addColumn<QByteArray>("contents"); // null: not written here
        QTest::addColumn<QString>("says");
        const QByteArray whole = brivo::test::readFile(m_threePages);
        QProcess::execute("qpdf", {"--encrypt", "secret", "owner", "256", "--", m_threePages,
                                   m_dir.filePath("locked.pdf")});
        QTest::newRow("empty.pdf") << QByteArray("") << "not a PDF document";
        QTest::newRow("cut.pdf") << whole.left(whole.size() / 2) << "not a PDF document";
        QTest::newRow("nopages.pdf") << makePdf({}) << "has no pages";
        QTest::newRow("locked.pdf") << QByteArray() << "protected by a password";
        QTest::newRow("missing.pdf") << QByteArray() << "does not exist";
        QTest::newRow("no file given") << QByteArray() << "No document";
    }
    void pdfDocumentsThatCannotBeShown()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, says);
        const QString name = QTest::currentDataTag(),
                      path = name.endsWith(".pdf") ? m_dir.filePath(name) : "";
        if (name == "locked.pdf" && !QFile::exists(path))
            QSKIP("qpdf, which locks the document, is not installed");
        QVERIFY(contents.isNull() || brivo::test::writeFile(path, contents));
        brivo::test::ModalAnswerer answers; // the locked one asks for its password: Cancel
        pdf *w = open<pdf>(path);
        QCOMPARE(w->findChild<QLabel *>("pageCountLabel")->text(), QStringLiteral("/0"));
        QVERIFY(!w->findChild<QPushButton *>("foButton")->isEnabled());
        // Nothing reaches for a document or page that is not there, and the message stays.
        w->findChild<QLineEdit *>("pageEdit")->setText(QStringLiteral("1"));
        after(w, "fbgiorl--++");
        w->resize(w->size() + QSize(10, 10));
        QTest::qWait(20);
        QVERIFY2(w->findChild<QLabel *>("imageLabel")->text().contains(says), qPrintable(says));
        QCOMPARE(after(w), QStringLiteral("1 nothing"));
    }

    // A locked document asks for its password until it is right; its pages, the prepared ones and the
    // search read it with that password.
    void pdfAsksForThePassword()
    {
        const QString locked = m_dir.filePath("secret.pdf");
        if (QProcess::execute("qpdf", {"--encrypt", "sésame", "owner", "256", "--", m_threePages, locked}) !=
            0)
            QSKIP("qpdf, which locks the document, is not installed");
        brivo::test::ModalAnswerer answers;
        QStringList said;
        for (const char *typed : {"wrong", "sésame"}) {
            answers.act([&said, typed](QWidget *dialog) {
                auto *field = dialog->findChild<QLineEdit *>("passwordEdit");
                QCOMPARE(field->echoMode(), QLineEdit::Password);
                said << dialog->findChild<QLabel *>()->text();
                field->setText(QString::fromUtf8(typed));
                qobject_cast<QDialog *>(dialog)->accept();
            });
        }
        pdf *w = open<pdf>(locked);
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(said.size(), 2);
        QVERIFY(said.at(0).contains("secret.pdf") && !said.at(0).contains("wrong"));
        QVERIFY(said.at(1).contains("password is wrong"));
        QCOMPARE(after(w), QStringLiteral("1 red tl 300x200"));
        QVERIFY(waitUntilPrepared(w, 1));
        QCOMPARE(after(w, ">i>"), QStringLiteral("3 blue tl 390x260"));
    }

    // Page Down and Space scroll a screen, then turn to the next page's top; Page Up and Shift+Space the
    // reverse, to the previous page's bottom; Home and End (with Ctrl too) go to the first and last page.
    void pdfKeysReadTheWholeDocument_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("before"); // page and where on it
        QTest::addColumn<QString>("expected");
        const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        QTest::newRow("Page Down at the top") << int(Qt::Key_PageDown) << none << "2 top"
                                              << "2 within";
        QTest::newRow("Page Down at the bottom") << int(Qt::Key_PageDown) << none << "2 bottom"
                                                 << "3 top";
        QTest::newRow("Page Down at the end") << int(Qt::Key_PageDown) << none << "3 bottom"
                                              << "3 bottom";
        QTest::newRow("Space at the bottom") << int(Qt::Key_Space) << none << "1 bottom"
                                             << "2 top";
        QTest::newRow("Page Up at the bottom") << int(Qt::Key_PageUp) << none << "2 bottom"
                                               << "2 within";
        QTest::newRow("Page Up at the top") << int(Qt::Key_PageUp) << none << "2 top"
                                            << "1 bottom";
        QTest::newRow("Page Up at the start") << int(Qt::Key_PageUp) << none << "1 top"
                                              << "1 top";
        QTest::newRow("Shift+Space at the top") << int(Qt::Key_Space) << shift << "3 top"
                                                << "2 bottom";
        QTest::newRow("Home") << int(Qt::Key_Home) << none << "3 bottom"
                              << "1 top";
        QTest::newRow("Ctrl+Home") << int(Qt::Key_Home) << ctrl << "2 top"
                                   << "1 top";
        QTest::newRow("End") << int(Qt::Key_End) << none << "1 bottom"
                             << "3 top";
        QTest::newRow("Ctrl+End") << int(Qt::Key_End) << ctrl << "2 top"
                                  << "3 top";
    }
    void pdfKeysReadTheWholeDocument()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, before);
        pdf *w = open<pdf>(m_tallPages, QSize(400, 400));
        auto *area = w->findChild<QScrollArea *>("scrollArea");
        QScrollBar *down = area->verticalScrollBar();
        const auto where = [&] {
            after(w);
            const QString at = down->value() == 0                 ? "top"
                               : down->value() == down->maximum() ? "bottom"
                                                                  : "within";
            return w->findChild<QLineEdit *>("pageEdit")->text() + ' ' + at;
        };
        w->findChild<QLineEdit *>("pageEdit")->setText(before.left(1));
        after(w, "g");
        QTRY_VERIFY(down->maximum() > 0);
        down->setValue(before.endsWith("top") ? 0 : down->maximum());
        // The keys work after a click on a button, too.
        QTest::mouseClick(w->findChild<QPushButton *>("rlButton"), Qt::LeftButton);
        after(w, "r");
        QTest::keyClick(w->focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTEST(where(), "expected");
    }

    // Continuous pages: one below the other, reached by scrolling; only the pages on screen and next to it
    // are drawn; the mode is remembered with the page.
    void pdfContinuousPages()
    {
        const QString path = m_dir.filePath("continuous.pdf");
        QVERIFY(QFile::copy(m_tallPages, path));
        pdf *w = open<pdf>(path, QSize(400, 500));
        QTest::mouseClick(w->findChild<QPushButton *>("continuousButton"), Qt::LeftButton);
        auto *area = w->findChild<QScrollArea *>("scrollArea");
        auto *view = w->findChild<brivo::PdfPagesView *>();
        QCOMPARE(area->widget(), view);
        const auto colourAt = [&](int y) {
            if (!QTest::qWaitFor([&] { return view->hasPage(view->pageAt(y)); }))
                return "never drawn";
            const QRgb c = view->grab().toImage().pixel(view->width() / 2, y) & RGB_MASK;
            return c == 0xff0000 ? "red" : c == 0xff00 ? "green" : c == 0xff ? "blue" : "other";
        };
        const auto field = [&w] { return w->findChild<QLineEdit *>("pageEdit")->text(); };
        QCOMPARE(colourAt(view->pageRect(0).center().y()), "red");
        for (int i = 0; i < 50 && field() == "1"; ++i)
            QTest::keyClick(area, Qt::Key_PageDown);
        QCOMPARE(field(), QStringLiteral("2"));
        QCOMPARE(colourAt(area->verticalScrollBar()->value() + 40), "green");
        QTest::keyClick(area, Qt::Key_End);
        QCOMPARE(field(), QStringLiteral("3"));
        QCOMPARE(colourAt(view->pageRect(2).center().y()), "blue");
        QTest::keyClick(area, Qt::Key_Left, Qt::AltModifier); // back to page 2
        QCOMPARE(field(), QStringLiteral("2"));
        w->zi();
        QCOMPARE(view->pageRect(1).width(), 390);
        QCOMPARE(field(), QStringLiteral("2"));
        w->close();
        w = open<pdf>(path, QSize(400, 500));
        QVERIFY(w->findChild<QPushButton *>("continuousButton")->isChecked());
        QCOMPARE(field(), QStringLiteral("2"));
        QTest::keyClick(w->findChild<QScrollArea *>("scrollArea"), Qt::Key_7, Qt::ControlModifier);
        QCOMPARE(after(w), QStringLiteral("2 green tl 390x2600"));
    }

    // Ctrl+P's job, printed to a PDF file: the pages chosen.
    void pdfPrintsToAFile()
    {
        pdf *w = open<pdf>(m_threePages);
        after(w);
        auto printer = std::make_shared<QPrinter>();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_dir.filePath("printed.pdf"));
        w->printPages(printer, {2, 0});
        QTRY_VERIFY_WITH_TIMEOUT(!w->printing(), 20000);
        printer.reset();
        pdf *printed = open<pdf>(m_dir.filePath("printed.pdf"));
        QCOMPARE(printed->findChild<QLabel *>("pageCountLabel")->text(), QStringLiteral("/2"));
    }

    void pdfPageThatFailsToRenderLeavesTheLastPicture()
    {
        // Poppler answers a page it cannot render with no picture, or with a single pixel when it cannot
        // allocate one; a page that small really is one pixel, though.
        QVERIFY(pdfpaging::renderFailed(QSize(), QSizeF(216, 144), 100, 100));
        QVERIFY(!pdfpaging::renderFailed(QSize(1, 1), QSizeF(1, 1), 100, 100));
        // A page above the pixel budget at any resolution, after and before a plain one.
        const std::pair<QSize, QByteArray> plain = {{216, 144}, {}}, huge = {{2000000, 2000000}, {}};
        QVERIFY(brivo::test::writeFile(m_dir.filePath("late.pdf"), makePdf({plain, huge})));
        QVERIFY(brivo::test::writeFile(m_dir.filePath("early.pdf"), makePdf({huge, plain})));

        pdf *w = open<pdf>(m_dir.filePath("late.pdf"));
        QCOMPARE(after(w, "r"), QStringLiteral("1 other br 200x300"));
        QCOMPARE(after(w, "f--"), QStringLiteral("1 other br 200x300"));
        pdf *v = open<pdf>(m_dir.filePath("early.pdf"));
        QVERIFY(v->findChild<QLabel *>("imageLabel")->text().contains(QStringLiteral("cannot be shown")));
        QCOMPARE(after(v, "f"), QStringLiteral("2 other br 300x200")); // the pages after it can be reached
    }
};

QTEST_MAIN(tst_viewers)
#include "tst_viewers.moc"
