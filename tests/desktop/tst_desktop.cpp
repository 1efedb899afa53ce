// The snapshot window on the offscreen platform, with a capture put in place; tests/e2e captures for real.
#include "desktop/desktop.h"
#include "desktop/imagesaving.h"
#include "desktop/regionoverlay.h"
#include "desktop/regionpicker.h"
#include "desktop/snapshotpreview.h"
#include "platform/desktopcapture.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <memory>

namespace {

// Every pixel differs from its neighbours, so a preview scaled from anything but the capture differs.
QPixmap detailedPicture(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int i = 0; i < size.width() * size.height(); ++i)
        image.setPixel(i % size.width(), i / size.width(),
                       qRgb(i * 7, i / size.width() * 13, (i ^ (i >> 5)) * 5));
    return QPixmap::fromImage(image);
}

QPushButton *button(const desktop &window, const QString &text)
{
    const QList<QPushButton *> all = window.findChildren<QPushButton *>();
    return *std::find_if(all.begin(), all.end(), [&](QPushButton *b) { return b->text() == text; });
}

const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);

QList<RegionOverlay *> visibleOverlays()
{
    return brivo::test::visibleWindows<RegionOverlay>();
}

// The pointer moved to `pos` with no button held, as the window system reports it.
void hover(QWidget *widget, const QPoint &pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(widget, &move);
}

void drag(QWidget *widget, const QPoint &from, const QPoint &to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTest::mouseMove(widget, (from + to) / 2);
    QTest::mouseMove(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

} // namespace

class tst_desktop : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { brivo::test::closeAllWindows(); }

    void saving_data()
    {
        // Each row is named after the name typed, below the test folder.
        QTest::addColumn<QString>("written");    // empty: nothing may be written, and an Error box shows
        QTest::newRow("SHOT.BMP") << "SHOT.BMP"; // an upper-case suffix
        QTest::newRow("shot.") << "shot.png";    // a name ending in a dot
        QTest::newRow("v1.2/shot") << "v1.2/shot.png"; // a dot in the folder only
        QTest::newRow("shot.final") << "";             // a suffix of no picture format
        QTest::newRow("locked/shot.png") << "";        // a read-only folder
    }
    void saving()
    {
        const QString typed = QTest::currentDataTag();
        QFETCH(QString, written);
        QTemporaryDir folder;
        const QDir dir(folder.path());
        QVERIFY(dir.mkdir("v1.2") && dir.mkdir("locked"));
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        QString chosen = dir.filePath(typed);
        // Permissions do not bind the super-user; the kernel's /sys refuses new files to anyone.
        if (typed.startsWith("locked/") && QFileInfo(dir.filePath("locked")).isWritable())
            chosen = "/sys/brivo-shot.png";

        desktop window;
        window.snapshot = detailedPicture(QSize(320, 200));
        brivo::test::ModalAnswerer answers;
        answers.chooseFile(chosen);
        window.save();
        QTRY_VERIFY(button(window, "Save")->isEnabled()); // the write is over
        QCOMPARE(answers.seen().first().title, "Try to give a name:");
        QVERIFY(answers.seen().first().text.startsWith("PNG image (*.png);;JPEG image"));
        if (written.isEmpty()) {
            QCOMPARE(answers.seen().size(), 2);
            QCOMPARE(answers.last().title, "Error");
            QVERIFY(answers.last().text.contains(chosen)); // with the reason after the name
            QVERIFY(dir.entryList(QDir::Files).isEmpty()); // no half-written or temporary file
            return;
        }
        QCOMPARE(answers.seen().size(), 1);
        // Written in the format its suffix names, every pixel intact.
        QImageReader reader(dir.filePath(written));
        QCOMPARE(reader.format(), QFileInfo(written).suffix().toLower().toLatin1());
        QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32), window.snapshot.toImage());
    }

    // A bare name gets the chosen format's suffix, naming a file the dialog did not ask about: asked before
    // replacing. The write runs in the background; a second save, and closing the window, wait for it.
    void replacingAndWritingInTheBackground()
    {
        QTemporaryDir folder;
        const QString jpg = folder.filePath("shot.jpg"), jpeg = "JPEG image (*.jpg *.jpeg)";
        QVERIFY(brivo::test::writeFile(jpg, "keep me"));
        brivo::test::ModalAnswerer answers;
        {
            desktop window;
            window.snapshot = detailedPicture(QSize(1600, 1200));
            answers.chooseFile(folder.filePath("shot"), jpeg);
            answers.press(QMessageBox::No);
            window.save();
            QVERIFY(answers.last().text.contains("already exists"));
            QCOMPARE(brivo::test::readFile(jpg), QByteArray("keep me"));
            answers.chooseFile(folder.filePath("shot"), jpeg);
            answers.press(QMessageBox::Yes);
            window.save();
            QVERIFY(!button(window, "Save")->isEnabled());
            window.save();
            QCOMPARE(answers.seen().size(), 4);
        }
        QCOMPARE(QImageReader(jpg).read().size(), QSize(1600, 1200));
    }

    // Without a capture the window says so; Save and Copy show an Error box. The preview is scaled from the
    // full capture at every size: small, then large, as sharp as it allows; large, then small, the window is
    // not held at the large size.
    void takePreviewAndCopy()
    {
        desktop window;
        window.snapshot = QPixmap(); // as a platform that gives no picture of its screens leaves it
        window.show();
        QVERIFY(window.preview->text().contains("could not be captured"));
        brivo::test::ModalAnswerer answers;
        window.save();
        window.copy();
        QCOMPARE(answers.seen().size(), 2);
        QVERIFY(answers.seen().first().title == "Error" && answers.last().title == "Error");

        window.snapshot = detailedPicture(QSize(1200, 900));
        window.copy();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 window.snapshot.toImage());
        // The window's size less 30 pixels across and 100 down, keeping the capture's shape.
        for (const auto &[size, pixels] : {std::pair{QSize(600, 140), QSize(53, 40)},
                                           {QSize(1000, 800), QSize(933, 700)},
                                           {QSize(500, 600), QSize(470, 352)}}) {
            window.resize(size);
            QTRY_COMPARE(window.size(), size);
            QCOMPARE(window.preview->pixmap().toImage(),
                     window.snapshot.scaled(pixels, Qt::IgnoreAspectRatio, Qt::FastTransformation).toImage());
        }
        window.resize(window.minimumSizeHint().width(), 90); // no room left for a preview
        QTRY_VERIFY(window.preview->pixmap().isNull());
        const QPixmap dense = brivo::scaledPreview(window.snapshot, QSize(800, 600), 2); // sharp when dense
        QVERIFY(dense.size() == QSize(1332, 1000) && dense.devicePixelRatio() == 2);
    }

    // Where the window system gives no picture of the screen (Wayland), Take asks the desktop portal and
    // shows its picture, or says that none came. Run by tests/e2e/e2e_wayland.sh under a compositor, with
    // BRIVO_TEST_PORTAL naming the stand-in portal's picture, or "none" where no portal answers.
    void takeThroughThePortal()
    {
        const QString portal = qEnvironmentVariable("BRIVO_TEST_PORTAL");
        if (portal.isEmpty())
            QSKIP("needs a Wayland compositor and a stand-in portal (tests/e2e/e2e_wayland.sh)");
        desktop window;
        window.autoHide->setChecked(false);
        window.show();
        window.take();
        if (portal == QLatin1String("none")) {
            QTRY_VERIFY(window.statusText().contains("could not be captured"));
            QVERIFY(window.snapshot.isNull() && window.preview->text().contains("could not be captured"));
            return;
        }
        QTRY_VERIFY(!window.snapshot.isNull());
        QCOMPARE(window.snapshot.toImage().convertToFormat(QImage::Format_RGB32),
                 QImage(portal).convertToFormat(QImage::Format_RGB32));
    }

    // Screens side by side make one picture: the dense one keeps its pixels, the other is scaled up to the
    // same density, what no screen covers is black; without any picture there is none (nothing to save).
    void screensSideBySide()
    {
        QImage dense(1280, 1024, QImage::Format_RGB32), plain(800, 600, QImage::Format_RGB32);
        dense.fill(Qt::red);
        dense.setDevicePixelRatio(2);
        plain.fill(Qt::blue);
        const brivo::DesktopPicture picture =
            brivo::composeDesktop({{{-640, 0, 640, 512}, dense}, {{0, 0, 800, 600}, plain}});
        const QImage &desktop = picture.image;
        QVERIFY(desktop.size() == QSize(2880, 1200) && desktop.devicePixelRatio() == 1.0);
        QVERIFY(desktop.pixel(1279, 1023) == red && desktop.pixel(1279, 1024) == qRgb(0, 0, 0));
        QVERIFY(desktop.pixel(1280, 0) == blue && desktop.pixel(2879, 1199) == blue);
        QVERIFY(brivo::composeDesktop({{{0, 0, 800, 600}, QImage()}}).image.isNull());

        // Points of the desktop, and windows in the window system's pixels (each screen's own, counted
        // from the screen's corner), land on the pixels that show them; beyond the screens, on the nearest.
        QCOMPARE(picture.pixelAt(QPointF(-320, 256)), QPoint(640, 512));
        QCOMPARE(picture.pixelAt(QPointF(400.5, 300)), QPoint(2081, 600));
        QCOMPARE(picture.pixelAt(QPointF(-700, 700)), QPoint(0, 1200));
        QCOMPARE(picture.fromNative({-540, 10, 300, 200}), QRect(100, 10, 300, 200));
        QCOMPARE(picture.fromNative({700, 100, 50, 50}), QRect(2680, 200, 100, 100));
        QCOMPARE(picture.fromNative({700, 500, 200, 200}), QRect(2680, 1000, 200, 200)); // clipped
    }

    // Region mode: a rectangle dragged backwards is the same rectangle, one taken inside moves; Return or a
    // double-click takes it, Escape gives up. Window mode offers the topmost window under the pointer, as
    // much of it as the picture holds, and takes it on a click; a click where no window is takes nothing.
    // (tests/e2e takes both from a real desktop at two scale factors.) Where the window system keeps its
    // windows to itself (here, the offscreen platform) the window says so and captures nothing.
    void picking()
    {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        const brivo::DesktopPicture picture = brivo::composeDesktop({{{0, 0, 400, 300}, image}});
        for (const QString end : {"Return", "double-click", "Escape"}) {
            RegionPicker region(picture, RegionPicker::Mode::Region, {});
            QSignalSpy picked(&region, &RegionPicker::picked), cancelled(&region, &RegionPicker::cancelled);
            RegionOverlay *overlay = region.overlays().value(0);
            drag(overlay, {250, 170}, {150, 120});
            QCOMPARE(region.selection(), QRect(150, 120, 100, 50));
            drag(overlay, {160, 130}, {230, 130});
            QCOMPARE(region.selection(), QRect(220, 120, 100, 50));
            if (end == "double-click")
                QTest::mouseDClick(overlay, Qt::LeftButton, {}, {250, 140});
            else
                QTest::keyClick(overlay, end == "Return" ? Qt::Key_Return : Qt::Key_Escape);
            QCOMPARE(picked.size() + 2 * cancelled.size(), end == "Escape" ? 2 : 1);
            QVERIFY(picked.isEmpty() || picked.first().first().toRect() == QRect(220, 120, 100, 50));
            QVERIFY(!overlay->isVisible());
        }

        const QRect top(100, 100, 100, 50), below(50, 50, 300, 200), offEdge(350, 250, 100, 100);
        RegionPicker picker(picture, RegionPicker::Mode::Window, {top, below, offEdge});
        QSignalSpy picked(&picker, &RegionPicker::picked);
        RegionOverlay *overlay = picker.overlays().value(0);
        QVERIFY(overlay && overlay->isVisible());
        for (const auto &[at, offered] : {std::pair{QPoint(120, 120), top},
                                          {QPoint(60, 60), below},
                                          {QPoint(380, 280), QRect(350, 250, 50, 50)},
                                          {QPoint(10, 10), QRect()}}) {
            hover(overlay, at);
            QCOMPARE(picker.selection(), offered);
        }
        QTest::mouseClick(overlay, Qt::LeftButton, {}, {10, 10});
        QVERIFY(picked.isEmpty() && overlay->isVisible());
        QTest::mouseClick(overlay, Qt::LeftButton, {}, {120, 120});
        QCOMPARE(picked.size(), 1);
        QCOMPARE(picked.first().first().toRect(), top);
        QVERIFY(!overlay->isVisible());

        desktop window;
        window.show();
        window.takeWindow();
        QVERIFY(window.statusText().contains("Window cannot capture"));
        QVERIFY(visibleOverlays().isEmpty() && window.isVisible());
        QVERIFY(button(window, "Take Snap Shot")->isEnabled());
    }

    // The wait for the window system runs on the event loop: take() returns with the window hidden,
    // further requests meanwhile are refused, and a window closed or deleted while it waits stays so.
    void captureWaitsWithoutBlocking()
    {
        desktop window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy shown(window.windowHandle(), &QWindow::visibleChanged);
        QElapsedTimer elapsed;
        elapsed.start();
        window.take();
        QVERIFY(!window.isVisible());
        window.take();
        window.takeRegion();
        QVERIFY(!button(window, "Take Snap Shot")->isEnabled());
        QTRY_VERIFY(window.isVisible());
        QVERIFY(elapsed.elapsed() >= 200 && shown.size() == 2); // long enough for a compositor's fade
        QVERIFY(visibleOverlays().isEmpty() && button(window, "Take Snap Shot")->isEnabled());

        window.take();
        window.close();
        auto *doomed = new desktop;
        doomed->show();
        doomed->take();
        delete doomed;
        QTest::qWait(400); // twice the wait: nothing may come back
        QVERIFY(!window.isVisible() && button(window, "Take Snap Shot")->isEnabled());
    }

    // The delay counts down in the window, which stays usable; Escape stops it and nothing is captured.
    // Counted down to the end, the capture follows, the window stepping aside only for the capture.
    void delayCountsDown()
    {
        desktop window;
        auto *delay = window.findChild<QSpinBox *>("delay");
        auto *cancel = window.findChild<QPushButton *>("cancel");
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy shown(window.windowHandle(), &QWindow::visibleChanged);
        const qint64 before = window.snapshot.cacheKey();
        delay->setValue(2);
        window.take();
        QVERIFY(window.statusText().contains("2 s") && cancel->isVisible() && !delay->isEnabled());
        QTRY_VERIFY(window.statusText().contains("1 s"));
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_VERIFY(window.statusText().contains("cancelled")); // a button's key clicks it a moment later
        QVERIFY(!cancel->isVisible() && delay->isEnabled());
        QTest::qWait(1500); // past the end of the countdown that was stopped
        QVERIFY(shown.isEmpty() && window.snapshot.cacheKey() == before);

        delay->setValue(1);
        QElapsedTimer elapsed;
        elapsed.start();
        window.take();
        QTRY_COMPARE(shown.size(), 2);
        QVERIFY(elapsed.elapsed() >= 1200 && window.snapshot.cacheKey() != before);
    }

    // Ctrl+S saves into the Pictures folder without a dialog, under a name made from the time that is
    // shown; Ctrl+Shift+S opens the save dialog. A name already taken, even by a dangling link, is never
    // reused; a Pictures folder that cannot be made is an Error.
    void quickSave()
    {
        QTemporaryDir home;
        const brivo::test::ScopedEnvironmentVariable homeVariable("HOME", QFile::encodeName(home.path()));
        desktop window;
        window.snapshot = detailedPicture(QSize(64, 48));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        brivo::test::ModalAnswerer answers;
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(window.statusText().startsWith("Saved as "));
        const QDir pictures(home.filePath("Pictures"));
        const QStringList saved = pictures.entryList(QDir::Files);
        QCOMPARE(saved.size(), 1);
        QVERIFY(QRegularExpression("^Snapshot_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.png$")
                    .match(saved.first())
                    .hasMatch());
        QVERIFY(window.statusText().endsWith(pictures.filePath(saved.first())));
        QCOMPARE(QImage(pictures.filePath(saved.first())).convertToFormat(QImage::Format_RGB32),
                 window.snapshot.toImage());
        QVERIFY(answers.seen().isEmpty());
        answers.cancel();
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.last().title, "Try to give a name:");

        const QDateTime time(QDate(2026, 12, 7), QTime(14, 3, 22));
        const QString stem = pictures.filePath("Snapshot_2026-12-07_14-03-22");
        QVERIFY(brivo::test::writeFile(stem + ".png", "keep me"));
        QVERIFY(QFile::link(home.filePath("nowhere/x.png"), stem + "_2.png"));
        QString error;
        QCOMPARE(brivo::reserveQuickSaveName(pictures.path(), time, &error), stem + "_3.png");
        QVERIFY(QFileInfo(stem + "_3.png").size() == 0 && !QFileInfo::exists(home.filePath("nowhere")));
        QCOMPARE(brivo::test::readFile(stem + ".png"), QByteArray("keep me"));

        QTemporaryDir otherHome;
        QVERIFY(brivo::test::writeFile(otherHome.filePath("Pictures"), "a file, not a folder"));
        const brivo::test::ScopedEnvironmentVariable otherHomeVariable("HOME",
                                                                       QFile::encodeName(otherHome.path()));
        window.quickSave();
        QCOMPARE(answers.last().title, "Error");
        QVERIFY(answers.last().text.contains(otherHome.filePath("Pictures")));
        QCOMPARE(QDir(otherHome.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
    }
};

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
