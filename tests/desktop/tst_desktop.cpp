// The snapshot window on the offscreen platform, with a capture put in place; tests/e2e captures for real.
#include "desktop/desktop.h"
#include "desktop/snapshotpreview.h"
#include "platform/desktopcapture.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <algorithm>

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
        QTest::newRow("shot") << "shot.png";     // a bare name
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

    // Without a capture the window says so; Save and Copy show an Error box. Auto Hide hides the window long
    // enough for a compositor to fade it out. The preview is scaled from the full capture at every size:
    // small, then large, as sharp as it allows; large, then small, the window is not held at the large size.
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
        QSignalSpy shown(window.windowHandle(), &QWindow::visibleChanged);
        QElapsedTimer elapsed;
        elapsed.start();
        window.take();
        QVERIFY(elapsed.elapsed() >= 200 && shown.size() == 2 && window.isVisible());

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

    // Screens side by side make one picture: the dense one keeps its pixels, the other is scaled up to the
    // same density, what no screen covers is black; without any picture there is none (nothing to save).
    void screensSideBySide()
    {
        QImage dense(1280, 1024, QImage::Format_RGB32), plain(800, 600, QImage::Format_RGB32);
        dense.fill(Qt::red);
        dense.setDevicePixelRatio(2);
        plain.fill(Qt::blue);
        const QImage desktop =
            brivo::composeDesktop({{{-640, 0, 640, 512}, dense}, {{0, 0, 800, 600}, plain}});
        QVERIFY(desktop.size() == QSize(2880, 1200) && desktop.devicePixelRatio() == 1.0);
        QVERIFY(desktop.pixel(1279, 1023) == qRgb(255, 0, 0) && desktop.pixel(1279, 1024) == qRgb(0, 0, 0));
        QVERIFY(desktop.pixel(1280, 0) == qRgb(0, 0, 255) && desktop.pixel(2879, 1199) == qRgb(0, 0, 255));
        QVERIFY(brivo::composeDesktop({{{0, 0, 800, 600}, QImage()}}).isNull());
    }
};

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
