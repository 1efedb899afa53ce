// The image viewer's later additions: the formats of the toolkit's plugins, actual size with dragging,
// copying the picture as shown, and the information over it.
#include "app/extensiongroups.h"
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "viewers/gif.h"
#include "viewers/imagefolder.h"
#include "viewers/imgv.h"
#include "viewers/picturedecode.h"

#include <QtTest>
#include <QtWidgets>
#include <sys/stat.h>

namespace {

// A picture whose left half is red and right half blue, so that a rotation shows in its corners.
QImage halves(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter(&picture).fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(),
                                Qt::blue);
    return picture;
}

const char svg[] = "<svg xmlns='http://www.w3.org/2000/svg' width='120' height='80'>"
                   "<rect width='120' height='80' fill='#00ff00'/></svg>";

} // namespace

class tst_pictures : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    imgv *open(const QString &name)
    {
        auto *viewer =
            qobject_cast<imgv *>(brivo::openTool(brivo::Tool::ImageViewer, m_folder.filePath(name)));
        return viewer && QTest::qWaitFor([viewer] { return viewer->awaitedPath().isEmpty(); }) &&
                       QTest::qWaitForWindowExposed(viewer)
                   ? viewer
                   : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(halves({1200, 900}).save(m_folder.filePath("big.png")));
        QVERIFY(halves({64, 48}).save(m_folder.filePath("small.webp"), "webp"));
        QVERIFY(brivo::test::writeFile(m_folder.filePath("vector.svg"), svg));
        QVERIFY(brivo::test::writeFile(m_folder.filePath("notes.txt"), "not a picture"));
        // What a drawing may try to reach: private pictures, one with an apostrophe in its name, a fifo.
        QVERIFY(QDir(m_folder.path()).mkdir("private"));
        QImage colour(40, 40, QImage::Format_RGB32);
        colour.fill(Qt::red);
        QVERIFY(colour.save(m_folder.filePath("private/secret.png")) &&
                colour.save(m_folder.filePath("private/it's.png")));
        colour.fill(Qt::green);
        QVERIFY(colour.save(m_folder.filePath("private/green.png")));
        QVERIFY(mkfifo(QFile::encodeName(m_folder.filePath("private/pipe.png")).constData(), 0600) == 0);
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    void pluginFormatsOpenAndAreSteppedThrough()
    {
        for (const char *extension : {"webp", "WEBP", "svg", "SVG", "tga", "TGA"})
            QCOMPARE(brivo::toolForExtension(QLatin1String(extension)), brivo::Tool::ImageViewer);
        QCOMPARE(brivo::listPictureNames(m_folder.path()),
                 QStringList({"big.png", "small.webp", "vector.svg"}));

        imgv *viewer = open("vector.svg");
        QVERIFY(viewer);
        QCOMPARE(viewer->image.size(), QSize(120, 80));
        QCOMPARE(viewer->image.pixelColor(60, 40), QColor(Qt::green));
        viewer->backward();
        QTRY_COMPARE(viewer->shownPath(), m_folder.filePath("small.webp"));
        QCOMPARE(viewer->image.size(), QSize(64, 48));
    }

    // A picture is the file that was opened: an SVG's references to other files (a user's private picture,
    // a named pipe that would never answer) are not followed, however the drawing is spelt; references
    // within it stay; what does not parse is not drawn.
    void svgReferencesAreNotFollowed_data()
    {
        QTest::addColumn<QByteArray>("drawing");
        QTest::addColumn<QColor>("centre"); // invalid when nothing may be drawn
        const QDir away(m_folder.filePath("private"));
        const auto drawing = [](const QString &inside) {
            return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
                   "width='40' height='40'><rect width='40' height='40' fill='#ffffff'/>" +
                   inside + "</svg>";
        };
        const auto image = [&](const QString &name) {
            return drawing("<image width='40' height='40' xlink:href='" + away.filePath(name) + "'/>");
        };
        const auto encoded = [](QStringConverter::Encoding encoding, const QString &text) {
            return QByteArray(QStringEncoder(encoding).encode(text));
        };
        const QColor white(Qt::white), green(Qt::green);
        QTest::newRow("file url") << drawing("<image width='40' height='40' xlink:href='" +
                                             QUrl::fromLocalFile(away.filePath("secret.png")).toString() +
                                             "'/>")
                                         .toUtf8()
                                  << white;
        QTest::newRow("fifo") << image("pipe.png").toUtf8() << white;
        QTest::newRow("utf-16le") << encoded(QStringConverter::Utf16LE, image("secret.png")) << white;
        QTest::newRow("utf-16be") << encoded(QStringConverter::Utf16BE, image("secret.png")) << white;
        QTest::newRow("utf-32le") << encoded(QStringConverter::Utf32LE, image("secret.png")) << white;
        QTest::newRow("apostrophe in the path")
            << drawing("<image width='40' height='40' xlink:href=\"" + away.filePath("it's.png") + "\"/>")
                   .toUtf8()
            << white;
        QTest::newRow("blanks around =")
            << drawing("<image width='40' height='40' xlink:href = '" + away.filePath("secret.png") + "'/>")
                   .toUtf8()
            << white;
        QTest::newRow("drawing inside a drawing")
            << drawing("<image width='40' height='40' xlink:href='data:image/svg+xml;base64," +
                       image("secret.png").toUtf8().toBase64() + "'/>")
                   .toUtf8()
            << white;
        QTest::newRow("fragment kept")
            << drawing(
                   "<defs><rect id='g' width='40' height='40' fill='#00ff00'/></defs><use xlink:href='#g'/>")
                   .toUtf8()
            << green;
        QTest::newRow("inline picture kept")
            << drawing("<image width='40' height='40' xlink:href='data:image/png;base64," +
                       brivo::test::readFile(away.filePath("green.png")).toBase64() + "'/>")
                   .toUtf8()
            << green;
        QTest::newRow("not well-formed") << drawing("<rect width='40'>").toUtf8() << QColor();
    }
    void svgReferencesAreNotFollowed()
    {
        QFETCH(QByteArray, drawing);
        QFETCH(QColor, centre);
        QVERIFY(brivo::test::writeFile(m_folder.filePath("private/linked.svg"), drawing));
        const QImage shown = brivo::decodePicture(m_folder.filePath("private/linked.svg"), {});
        QCOMPARE(shown.isNull(), !centre.isValid());
        if (centre.isValid())
            QCOMPARE(shown.pixelColor(20, 20), centre);
    }

    void actualSizeIsDraggedAndLeftByZoom()
    {
        imgv *viewer = open("big.png");
        QVERIFY(viewer);
        QWidget *view = viewer->scrollArea;
        const QSize fitted = viewer->imageLabel->pixmap().size();
        QVERIFY(fitted.width() < 1200);

        QTest::keyClick(view, Qt::Key_1);
        QCOMPARE(viewer->imageLabel->pixmap().size(), QSize(1200, 900));
        QScrollBar *across = viewer->scrollArea->horizontalScrollBar();
        QTRY_VERIFY(across->maximum() > 0);
        const int before = across->value();
        QWidget *viewport = viewer->scrollArea->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(300, 200));
        QMouseEvent drag(QEvent::MouseMove, QPointF(200, 200), viewport->mapToGlobal(QPointF(200, 200)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drag);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(200, 200));
        QCOMPARE(across->value(), before + 100);

        // The key and the button are one toggle; a zoom goes back to the fitted picture and zooms it.
        QTest::keyClick(view, Qt::Key_1);
        QCOMPARE(viewer->imageLabel->pixmap().size(), fitted);
        QPushButton *button = nullptr;
        for (QPushButton *candidate : viewer->findChildren<QPushButton *>())
            if (candidate->text() == QLatin1String("1:1"))
                button = candidate;
        QVERIFY(button);
        button->click();
        QCOMPARE(viewer->imageLabel->pixmap().size(), QSize(1200, 900));
        viewer->zoomin();
        QVERIFY(!button->isChecked());
        QVERIFY(viewer->imageLabel->pixmap().width() > fitted.width());
        QVERIFY(viewer->imageLabel->pixmap().width() < 1200);
    }

    void copyTakesTheRotationAndInformationFollowsTheSteps()
    {
        imgv *viewer = open("big.png");
        QVERIFY(viewer);
        QWidget *view = viewer->scrollArea;
        viewer->tranr();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(900, 1200));
        // Turned right, the left (red) half is on top.
        QCOMPARE(copied.pixelColor(450, 10), QColor(Qt::red));
        QCOMPARE(copied.pixelColor(450, 1190), QColor(Qt::blue));

        QTest::keyClick(view, Qt::Key_I);
        const auto shown = [viewer] {
            for (QLabel *label : viewer->scrollArea->viewport()->findChildren<QLabel *>(
                     QString(), Qt::FindDirectChildrenOnly))
                if (label != viewer->imageLabel && !label->isHidden())
                    return label->text();
            return QString();
        };
        QVERIFY2(shown().contains("big.png") && shown().contains("1200 × 900 pixels") &&
                     shown().contains("1 / 3"),
                 qPrintable(shown()));
        QTest::keyClick(view, Qt::Key_Right);
        QTRY_VERIFY2(shown().contains("small.webp") && shown().contains("2 / 3"), qPrintable(shown()));
        QTest::keyClick(view, Qt::Key_I);
        QVERIFY(shown().isEmpty());
    }

    // Paused, Left and Right step through the frames and go round; the speed button cycles; a file with no
    // animation says so.
    void gifFramesSpeedAndUnplayableFiles()
    {
        QVERIFY(brivo::test::writeFile(m_folder.filePath("three.gif"), brivo::test::gifAnimation(3, true)));
        auto *viewer =
            qobject_cast<gif *>(brivo::openTool(brivo::Tool::GifViewer, m_folder.filePath("three.gif")));
        QVERIFY(viewer && QTest::qWaitForWindowExposed(viewer));
        const auto colour = [viewer] { return viewer->movie->currentImage().pixelColor(0, 0); };
        QTest::keyClick(viewer, Qt::Key_Right); // running: no step
        viewer->click();
        QCOMPARE(viewer->movie->state(), QMovie::Paused);
        const int first = viewer->movie->currentFrameNumber();
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
        QCOMPARE(colour(), colours[first]);
        for (int step = 1; step <= 8; ++step) { // four on, round the end, and four back
            QTest::keyClick(viewer, step <= 4 ? Qt::Key_Right : Qt::Key_Left);
            const int frame = (first + (step <= 4 ? step : 8 - step)) % 3;
            QVERIFY(viewer->movie->currentFrameNumber() == frame && colour() == colours[frame]);
        }
        QCOMPARE(viewer->movie->state(), QMovie::Paused);

        for (const auto &[speed, text] : {std::pair{200, "2x"}, {50, "0.5x"}, {100, "1x"}}) {
            viewer->speedButton->click();
            QCOMPARE(viewer->movie->speed(), speed);
            QCOMPARE(viewer->speedButton->text(), QString::fromLatin1(text));
        }

        // A shopping list named as a GIF: the viewer cannot play it, and offers the notepad, which is
        // declined.
        QVERIFY(brivo::test::writeFile(m_folder.filePath("list.gif"), "GIF? a shopping list"));
        brivo::test::ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        auto *broken =
            qobject_cast<gif *>(brivo::openTool(brivo::Tool::GifViewer, m_folder.filePath("list.gif")));
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.last().text,
                 QStringLiteral("This file cannot be played: it holds no animation Brivo "
                                "can read.\n\nlist.gif is a plain text document."));
        QVERIFY(broken && QTest::qWaitForWindowExposed(broken));
        QVERIFY(broken->movieLabel->text().contains("cannot be played"));
    }
};

QTEST_MAIN(tst_pictures)
#include "tst_pictures.moc"
