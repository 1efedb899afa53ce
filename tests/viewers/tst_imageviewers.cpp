// The image viewer (folder listing, decoding, stepping, zoom, rotation, keys, wheel and mouse) and the GIF
// viewer (playing and pausing, the resize count all its windows share, files that are no animation).
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "viewers/gif.h"
#include "viewers/imagefolder.h"
#include "viewers/imgv.h"
#include "viewers/picturecache.h"
#include "viewers/picturedecode.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>

#include <type_traits>

namespace {

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

// Opens a viewer through the dispatcher's opener.
template <typename Viewer> Viewer *open(const QString &path)
{
    const auto tool = std::is_same_v<Viewer, gif> ? brivo::Tool::GifViewer : brivo::Tool::ImageViewer;
    auto *viewer = qobject_cast<Viewer *>(brivo::openTool(tool, path));
    if (viewer && !QTest::qWaitForWindowExposed(viewer))
        qWarning("the viewer was not exposed");
    return viewer;
}

void turnWheel(QWidget *target, int delta)
{
    QWheelEvent wheel(QPointF(9, 9), QPointF(9, 9), {}, {0, delta}, {}, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

// A GIF of one-pixel frames, 20 ms each, coloured red, green, blue in turn. With `loop` it repeats for
// ever; without, it plays once.
QByteArray animation(int frames, bool loop)
{
    QByteArray gif = QByteArray::fromHex("474946383961 0100 0100 f1 00 00  ff0000 00ff00 0000ff 000000");
    if (loop)
        gif += QByteArray::fromHex("21ff0b") + "NETSCAPE2.0" + QByteArray::fromHex("03 01 0000 00");
    for (int i = 0; i < frames; ++i) {
        gif += QByteArray::fromHex("21f904 00 0200 00 00  2c 0000 0000 0100 0100 00  02");
        // Three-bit codes, least significant bit first: clear (4), colour i, end (5).
        const int codes = 4 | (i % 3) << 3 | 5 << 6;
        gif += QByteArray::fromHex("02") + char(codes & 0xff) + char(codes >> 8) + '\0';
    }
    return gif + ';';
}

} // namespace

class tst_imageviewers : public QObject
{
    Q_OBJECT
    // The pictures above, a damaged picture and a folder named like one.
    QTemporaryDir m_folder;

private slots:
    void initTestCase()
    {
        for (const auto &[name, colour] : pictures)
            QVERIFY(writePicture(m_folder.filePath(name), colour));
        QVERIFY(brivo::test::writeFile(m_folder.filePath("x.jpg"), "bad"));
        QVERIFY(QDir(m_folder.path()).mkdir("y.gif"));
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

        // Qt refuses a few hundred megabytes by default, less than a scan takes; above the viewer's own limit
        // a picture is refused. One bit a pixel keeps the files small: limits count four bytes a pixel.
        QImage scan(9000, 8000, QImage::Format_Mono), huge(24000, 24000, QImage::Format_Mono);
        scan.fill(1);
        huge.fill(0);
        QVERIFY(scan.save(dir.filePath("scan.png")) && huge.save(dir.filePath("huge.png")));
        huge = QImage();
        QCOMPARE(brivo::decodePicture(dir.filePath("scan.png")).size(), QSize(9000, 8000));
        QVERIFY(brivo::decodePicture(dir.filePath("huge.png")).isNull());

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
        QCOMPARE(viewer->scrollArea->viewport()->width(), 800 - 2 * viewer->scrollArea->frameWidth());
        viewer->backward(); // even a step that cannot move drops the rotation
        QCOMPARE(shown(), QSize(785, 523));
        for (int turn = 0; turn < 4; ++turn) // rotations add up: four give the picture as it was
            viewer->tranl();
        QCOMPARE(viewer->pixmap.toImage(), viewer->image);

        QWidget *view = viewer->scrollArea;
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageDown})
            QTest::keyClick(view, key);
        QCOMPARE(shownColour(viewer), QColor(Qt::green));
        QCOMPARE(box(), windowBox + QSize(50, 50));
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(shownColour(viewer), QColor(Qt::red));
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

        // A clicked button leaves the keyboard with the picture, so the arrow keys go on stepping.
        QApplication::setActiveWindow(viewer);
        QVERIFY(QTest::qWaitForWindowActive(viewer));
        QTest::mouseClick(viewer->findChildren<QPushButton *>().at(5), Qt::LeftButton); // home, then the row
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(shownColour(viewer), QColor(Qt::blue));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        QCOMPARE(viewer->pictureCache().size(), 1); // a closed viewer keeps only what it shows
    }

    // The last test of the folder: it changes and deletes pictures.
    void steppingThroughTheFolder()
    {
        brivo::test::ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        imgv *viewer = open<imgv>(m_folder.filePath("x.jpg"));
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.last().text, QStringLiteral("Cannot Load Image"));
        QCOMPARE(answers.last().icon, QMessageBox::Warning);
        QVERIFY(viewer->imageLabel->pixmap().isNull());
        QCOMPARE(QDir::current(), QDir(m_folder.path())); // where other tools' file dialogs start
        viewer->backward();
        viewer->backward();
        QCOMPARE(shownColour(viewer), QColor(Qt::yellow));
        // The next picture is decoded ahead, and decoded afresh when it changes on disk before it is shown.
        QTRY_VERIFY(viewer->pictureCache().isReady(QDir::current().absoluteFilePath("E.png")));
        QFile changed(m_folder.filePath("E.png"));
        QVERIFY(writePicture(changed.fileName(), Qt::magenta) && changed.open(QIODevice::ReadWrite));
        QVERIFY(changed.setFileTime(QDateTime::currentDateTime().addSecs(5), QFile::FileModificationTime));
        // Names that do not decode keep the picture on screen while the position moves on; past the end a
        // step re-shows the last picture. Only the shown picture and its neighbours stay decoded.
        for (int step = 0; step < 4; ++step) {
            viewer->forward();
            QCOMPARE(shownColour(viewer), QColor(Qt::magenta));
            QVERIFY(viewer->pictureCache().size() <= 3);
        }
        QCOMPARE(viewer->currentIndex, 6);

        // Opened empty from the launcher: no warning, and the current folder is listed from its first name.
        imgv *empty = open<imgv>(QString());
        QVERIFY(empty->imageLabel->pixmap().isNull());
        empty->forward();
        QCOMPARE(shownColour(empty), QColor(Qt::green));
        QCOMPARE(answers.seen().size(), 1);

        // Files deleted while viewing: a step back from past the end goes to the last name left.
        for (const char *name : {"c.Png", "d.png", "E.png", "x.jpg", "y.gif"})
            QVERIFY(QDir(m_folder.path()).remove(name) || QDir(m_folder.path()).rmdir(name));
        viewer->backward();
        QCOMPARE(shownColour(viewer), QColor(Qt::green));
        viewer->backward();
        QCOMPARE(shownColour(viewer), QColor(Qt::red));
    }

    // The first three resize events of the process leave the animation at its own size; a GIF viewer opened
    // later stretches it to its window less 150 pixels each way from its first resize on.
    void gifViewers()
    {
        const auto showsIcon = [](gif *viewer, QStyle::StandardPixmap which) {
            const QIcon expected = viewer->style()->standardIcon(which);
            return viewer->playButton->icon().pixmap(16).toImage() == expected.pixmap(16).toImage();
        };
        QTemporaryDir dir;
        QVERIFY(brivo::test::writeFile(dir.filePath("a.gif"), animation(3, true)));
        gif::resizeCount = 0;
        gif *first = open<gif>(dir.filePath("a.gif"));
        for (int size = 400; gif::resizeCount < 3; size += 10) {
            QCOMPARE(first->movie->scaledSize(), QSize());
            first->resize(size, size);
        }
        QCOMPARE(first->movie->scaledSize(), QSize());
        first->resize(500, 450);
        QCOMPARE(first->movie->scaledSize(), QSize(350, 300));

        gif *second = open<gif>(dir.filePath("a.gif"));
        second->resize(400, 300);
        QCOMPARE(second->movie->scaledSize(), QSize(250, 150));
        second->resize(140, 400); // no room: the animation keeps its size
        QCOMPARE(second->movie->scaledSize(), QSize(250, 150));
        QCOMPARE(gif::resizeCount, 3);

        for (QMovie::MovieState state : {QMovie::Running, QMovie::Paused, QMovie::Running}) {
            QCOMPARE(second->movie->state(), state);
            QVERIFY(
                showsIcon(second, state == QMovie::Running ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
            QTest::mouseClick(second->playButton, Qt::LeftButton);
        }

        // A finished animation cannot be started again: the button only switches to the play icon.
        QVERIFY(brivo::test::writeFile(dir.filePath("once.gif"), animation(2, false)));
        gif *once = open<gif>(dir.filePath("once.gif"));
        QTRY_COMPARE(once->movie->state(), QMovie::NotRunning);
        for (int click = 0; click < 2; ++click) {
            once->click();
            QVERIFY(showsIcon(once, QStyle::SP_MediaPlay));
            QCOMPARE(once->movie->state(), QMovie::NotRunning);
        }

        // No file, one that is no GIF, and downloads cut short: an empty label or the frames that arrived.
        const QList<QPair<QByteArray, bool>> files = {{QByteArray(), false},
                                                      {"GIF? a shopping list", false},
                                                      {animation(3, true).left(30), false},
                                                      {animation(3, true).left(80), true}};
        for (const auto &[contents, showsAFrame] : files) {
            const QString path =
                contents.isNull() ? QString() : dir.filePath(QString::number(contents.size()));
            QVERIFY(contents.isNull() || brivo::test::writeFile(path, contents));
            gif *viewer = open<gif>(path);
            QTest::qWait(100);
            QCOMPARE(!viewer->movie->currentPixmap().isNull(), showsAFrame);
            viewer->click();
            QVERIFY(viewer->movie->state() != QMovie::Running);
        }
    }
};

QTEST_MAIN(tst_imageviewers)
#include "tst_imageviewers.moc"
