// The snapshot window on the offscreen platform: saving, copying and previewing a capture the test puts
// in place, and what the window does without one.
#include "desktop/desktop.h"
#include "desktop/imagesaving.h"
#include "desktop/snapshotpreview.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QClipboard>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using brivo::test::ModalAnswerer;

namespace {

// Every pixel differs from its neighbours, so a preview scaled from anything but the capture differs.
QPixmap detailedPicture(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) % 256, (y * 13) % 256, ((x ^ y) * 5) % 256));
    }
    return QPixmap::fromImage(image);
}

// Picks `filter` when given, types `path` into the name field and accepts. QFileDialog::selectFile()
// leaves the name field alone while it has the focus, and the dialog would answer with its folder.
void typeIntoSaveDialog(QWidget *modal, const QString &path, const QString &filter = {})
{
    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        if (!filter.isEmpty())
            dialog->selectNameFilter(filter);
        dialog->selectFile(path);
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(path);
    }
    auto *asDialog = qobject_cast<QDialog *>(modal);
    asDialog->accept();
    if (asDialog->isVisible())
        asDialog->done(QDialog::Accepted);
}

QPushButton *button(const desktop &window, const QString &text)
{
    for (QPushButton *b : window.findChildren<QPushButton *>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

} // namespace

class tst_desktop : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { brivo::test::closeAllWindows(); }

    void withoutACaptureTheWindowSaysSoAndWritesNothing()
    {
        desktop window; // as on a platform that gives no picture of its screens
        window.snapshot = QPixmap();
        window.show();
        QVERIFY(window.preview->text().contains(QStringLiteral("could not be captured")));
        ModalAnswerer answers;
        window.save();
        window.copy();
        QCOMPARE(answers.seen().size(), 2); // two Error boxes, no file dialog
        QCOMPARE(answers.seen()[0].title, QStringLiteral("Error"));
        QCOMPARE(answers.seen()[1].title, QStringLiteral("Error"));
    }

    void saving_data()
    {
        QTest::addColumn<QString>("typed");     // below the test folder
        QTest::addColumn<QString>("written");   // empty: nothing may be written, and an Error box shows
        QTest::addColumn<QByteArray>("format"); // as a reader sees it
        QTest::newRow("png") << "shot.png"
                             << "shot.png" << QByteArray("png");
        QTest::newRow("jpg") << "shot.jpg"
                             << "shot.jpg" << QByteArray("jpeg");
        QTest::newRow("upper-case suffix") << "SHOT.BMP"
                                           << "SHOT.BMP" << QByteArray("bmp");
        QTest::newRow("bare name") << "shot"
                                   << "shot.png" << QByteArray("png");
        QTest::newRow("name ending in a dot") << "shot."
                                              << "shot.png" << QByteArray("png");
        QTest::newRow("dot in the folder only") << "v1.2/shot"
                                                << "v1.2/shot.png" << QByteArray("png");
        QTest::newRow("suffix of no picture format") << "shot.final"
                                                     << "" << QByteArray();
        QTest::newRow("folder that does not exist") << "missing/shot.png"
                                                    << "" << QByteArray();
        QTest::newRow("read-only folder") << "locked/shot.png"
                                          << "" << QByteArray();
    }

    void saving()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QByteArray, format);
        QTemporaryDir folder;
        const QDir dir(folder.path());
        dir.mkdir(QStringLiteral("v1.2"));
        dir.mkdir(QStringLiteral("locked"));
        QFile::setPermissions(dir.filePath(QStringLiteral("locked")), QFile::ReadOwner | QFile::ExeOwner);
        QString chosen = dir.filePath(typed);
        // Permissions do not bind the super-user; the kernel's /sys refuses new files to anyone.
        if (typed.startsWith(QLatin1String("locked/")) && QFileInfo(dir.filePath("locked")).isWritable())
            chosen = QStringLiteral("/sys/brivo-shot.png");

        desktop window;
        window.snapshot = detailedPicture(QSize(320, 200));
        ModalAnswerer answers;
        answers.act([&](QWidget *modal) { typeIntoSaveDialog(modal, chosen); });
        window.save();
        QVERIFY(answers.waitUntilAnswered());
        QTRY_VERIFY(button(window, QStringLiteral("Save"))->isEnabled()); // the write is over
        QCOMPARE(answers.seen().first().title, QStringLiteral("Try to give a name:"));
        QVERIFY(answers.seen().first().text.startsWith(QStringLiteral("PNG image (*.png);;JPEG image")));

        if (written.isEmpty()) {
            QCOMPARE(answers.seen().size(), 2);
            QCOMPARE(answers.last().title, QStringLiteral("Error"));
            QVERIFY(answers.last().text.contains(chosen));
            QVERIFY(dir.entryList(QDir::Files).isEmpty()); // no half-written or temporary file
            return;
        }
        QCOMPARE(answers.seen().size(), 1);
        QImageReader reader(dir.filePath(written));
        QCOMPARE(reader.format(), format);
        const QImage saved = reader.read();
        QCOMPARE(saved.size(), QSize(320, 200));
        if (format == "png")
            QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), window.snapshot.toImage());
    }

    void bareNameTakesTheChosenFormatAndAsksBeforeReplacing()
    {
        QTemporaryDir folder;
        const QString jpg = QDir(folder.path()).filePath(QStringLiteral("shot.jpg"));
        QVERIFY(brivo::test::writeFile(jpg, "keep me"));
        desktop window;
        window.snapshot = detailedPicture(QSize(64, 48));
        const auto typeShotAsJpeg = [&](QWidget *modal) {
            typeIntoSaveDialog(modal, QDir(folder.path()).filePath(QStringLiteral("shot")),
                               QStringLiteral("JPEG image (*.jpg *.jpeg)"));
        };
        ModalAnswerer answers;
        answers.act(typeShotAsJpeg);
        answers.press(QMessageBox::No);
        window.save();
        QVERIFY(answers.waitUntilAnswered());
        QVERIFY(answers.last().text.contains(QStringLiteral("already exists")));
        QCOMPARE(brivo::test::readFile(jpg), QByteArray("keep me"));

        answers.act(typeShotAsJpeg);
        answers.press(QMessageBox::Yes);
        window.save();
        QVERIFY(answers.waitUntilAnswered());
        QTRY_COMPARE(QImageReader(jpg).format(), QByteArray("jpeg"));
    }

    void savingLeavesTheWindowWorking()
    {
        QTemporaryDir folder;
        const QString first = QDir(folder.path()).filePath(QStringLiteral("first.png"));
        const QString second = QDir(folder.path()).filePath(QStringLiteral("second.png"));
        {
            desktop window;
            window.snapshot = detailedPicture(QSize(1600, 1200));
            QPushButton *save = button(window, QStringLiteral("Save"));
            ModalAnswerer answers;
            answers.act([&](QWidget *modal) { typeIntoSaveDialog(modal, first); });
            window.save();
            // The write goes on while the window handles events; a second save waits for it.
            QVERIFY(!save->isEnabled());
            window.save();
            QCOMPARE(answers.seen().size(), 1);
            QTRY_VERIFY(save->isEnabled());
            QCOMPARE(QImageReader(first).size(), QSize(1600, 1200));

            // A window that goes away while it writes finishes the file first.
            answers.act([&](QWidget *modal) { typeIntoSaveDialog(modal, second); });
            window.save();
            QVERIFY(!save->isEnabled());
        }
        QCOMPARE(QImageReader(second).read().size(), QSize(1600, 1200));
    }

    void everyOfferedFormatCanBeWritten()
    {
        QTemporaryDir folder;
        const QImage picture = detailedPicture(QSize(300, 200)).toImage();
        for (const QString &filter : brivo::writableImageFilters()) {
            const QString path = brivo::nameWithImageSuffix(folder.filePath(QStringLiteral("x")), filter);
            QString error;
            QVERIFY2(brivo::writeImageFile(picture, path, &error),
                     qPrintable(filter + QLatin1Char(' ') + error));
        }
    }

    void previewFitsTheWindow_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("pixels"); // empty: no preview
        QTest::newRow("height bound") << QSize(800, 600) << 1.0 << QSize(625, 500);
        QTest::newRow("width bound") << QSize(430, 600) << 1.0 << QSize(400, 320);
        QTest::newRow("sharp on a dense screen") << QSize(800, 600) << 2.0 << QSize(1250, 1000);
        QTest::newRow("no room across") << QSize(30, 600) << 1.0 << QSize();
        QTest::newRow("no room down") << QSize(800, 100) << 1.0 << QSize();
        QTest::newRow("fits to nothing") << QSize(31, 600) << 1.0 << QSize();
    }

    void previewFitsTheWindow()
    {
        QFETCH(QSize, window);
        QFETCH(qreal, ratio);
        QFETCH(QSize, pixels);
        const QPixmap preview = brivo::scaledPreview(detailedPicture(QSize(1280, 1024)), window, ratio);
        QCOMPARE(preview.isNull(), pixels.isEmpty());
        if (!pixels.isEmpty()) {
            QCOMPARE(preview.size(), pixels);
            QCOMPARE(preview.devicePixelRatio(), ratio);
        }
    }

    void resizingRescalesFromTheFullCapture()
    {
        desktop window;
        window.snapshot = detailedPicture(QSize(1200, 900));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto previewIsFromTheCapture = [&] {
            const QPixmap expected =
                brivo::scaledPreview(window.snapshot, window.size(), window.devicePixelRatioF());
            return window.preview->pixmap().toImage() == expected.toImage();
        };
        QVERIFY(previewIsFromTheCapture());
        for (const QSize size : {QSize(600, 140), QSize(1000, 800), QSize(500, 300)}) {
            // Small, then large: then as sharp as the capture allows. Large, then small: the window
            // must not be held at the large preview's size.
            window.resize(size);
            QTRY_COMPARE(window.size(), size);
            QVERIFY(previewIsFromTheCapture());
        }
        window.resize(window.minimumSizeHint().width(), 90); // no room left for a preview
        QTRY_VERIFY(window.preview->pixmap().isNull());
        QCOMPARE(window.snapshot.size(), QSize(1200, 900));
    }

    void copyPutsTheCaptureOnTheClipboard()
    {
        desktop window;
        window.snapshot = detailedPicture(QSize(200, 100));
        button(window, QStringLiteral("Copy"))->click();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 window.snapshot.toImage());
    }
};

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
