// The snapshot window on the offscreen platform, which has no desktop to capture: building, saving,
// copying and previewing a capture the test puts in place, and what the window says without one.
#include "app/showmain.h"
#include "app/toolopeners.h"
#include "desktop/desktop.h"
#include "desktop/imagesaving.h"
#include "desktop/snapshotpreview.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using brivo::test::ModalAnswerer;

namespace {

// A picture whose every pixel differs from its neighbours, so that a preview scaled from anything but
// the full capture gives other pixels.
QPixmap detailedPicture(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) % 256, (y * 13) % 256, ((x ^ y) * 5) % 256));
    }
    return QPixmap::fromImage(image);
}

// Answers the save dialog as a user would: picks `filter` when given, types `path` into the name field
// and accepts. QFileDialog::selectFile() leaves the name field alone while it has the focus, and the
// dialog would then answer with its folder.
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
    const auto buttons = window.findChildren<QPushButton *>();
    for (QPushButton *b : buttons) {
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

    void windowAsItOpens()
    {
        desktop window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Brivo : Snap Shot - K.VARDEN"));
        QCOMPARE(window.size(), QSize(800, 600));
        QCOMPARE(window.palette().color(QPalette::Inactive, QPalette::Window), QColor(Qt::black));
        QVERIFY(!window.testAttribute(Qt::WA_SetWindowIcon));
        QVERIFY(!window.acceptDrops());
        QCOMPARE(window.autoHide->text(), QStringLiteral("Auto Hide."));
        QVERIFY(window.autoHide->isChecked());

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The control row from left to right, below the preview.
        QList<QWidget *> row;
        for (QPushButton *b : window.findChildren<QPushButton *>())
            row.append(b);
        row.append(window.autoHide);
        std::sort(row.begin(), row.end(), [](QWidget *a, QWidget *b) {
            return a->mapTo(a->window(), QPoint()).x() < b->mapTo(b->window(), QPoint()).x();
        });
        QStringList order;
        for (QWidget *w : row)
            order.append(w == window.autoHide ? QStringLiteral("[Auto Hide.]")
                                              : static_cast<QPushButton *>(w)->text());
        QCOMPARE(order, (QStringList{"", "[Auto Hide.]", "Take Snap Shot", "Save", "Copy"}));
        QVERIFY(!static_cast<QPushButton *>(row.first())->icon().isNull());
        QVERIFY(window.preview->geometry().bottom() < window.autoHide->mapTo(&window, QPoint()).y());
    }

    void withoutACaptureTheWindowSaysSoAndWritesNothing()
    {
        // As on a platform that gives no picture of its screens.
        QTemporaryDir folder;
        desktop window;
        window.snapshot = QPixmap();
        window.show();
        QVERIFY(window.preview->text().contains(QStringLiteral("could not be captured")));

        ModalAnswerer answers;
        window.save();
        window.copy();
        QCOMPARE(answers.seen().size(), 2); // no file dialog: nothing to save
        for (const ModalAnswerer::Seen &seen : answers.seen()) {
            QCOMPARE(seen.className, QStringLiteral("QMessageBox"));
            QCOMPARE(seen.title, QStringLiteral("Error"));
        }
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    void saving_data()
    {
        QTest::addColumn<QString>("typed");     // the name given to the dialog, below the test folder
        QTest::addColumn<QString>("written");   // the file that must exist afterwards; empty: none
        QTest::addColumn<QByteArray>("format"); // its format as a reader sees it
        QTest::addColumn<bool>("errorShown");

        QTest::newRow("png") << "shot.png"
                             << "shot.png" << QByteArray("png") << false;
        QTest::newRow("jpg") << "shot.jpg"
                             << "shot.jpg" << QByteArray("jpeg") << false;
        QTest::newRow("bare name becomes png") << "shot"
                                               << "shot.png" << QByteArray("png") << false;
        QTest::newRow("name ending in a dot") << "shot."
                                              << "shot.png" << QByteArray("png") << false;
        QTest::newRow("upper-case suffix") << "SHOT.BMP"
                                           << "SHOT.BMP" << QByteArray("bmp") << false;
        QTest::newRow("suffix of no picture format") << "shot.final"
                                                     << "" << QByteArray() << true;
        QTest::newRow("folder that does not exist") << "missing/shot.png"
                                                    << "" << QByteArray() << true;
        QTest::newRow("read-only folder") << "locked/shot.png"
                                          << "" << QByteArray() << true;
    }

    void saving()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QByteArray, format);
        QFETCH(bool, errorShown);

        QTemporaryDir folder;
        const QDir dir(folder.path());
        QString chosen = dir.filePath(typed);
        if (typed.startsWith(QLatin1String("locked/"))) {
            dir.mkdir(QStringLiteral("locked"));
            QFile::setPermissions(dir.filePath(QStringLiteral("locked")),
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser);
            // Permissions do not bind the super-user; the kernel's /sys refuses new files to anyone.
            if (QFileInfo(dir.filePath(QStringLiteral("locked"))).isWritable())
                chosen = QStringLiteral("/sys/brivo-shot.png");
        }

        desktop window;
        window.snapshot = detailedPicture(QSize(320, 200));
        ModalAnswerer answers;
        answers.act([&](QWidget *modal) { typeIntoSaveDialog(modal, chosen); });
        window.save();
        QVERIFY(answers.waitUntilAnswered());
        QTRY_VERIFY(button(window, QStringLiteral("Save"))->isEnabled()); // the write is done

        const ModalAnswerer::Seen dialog = answers.seen().first();
        QCOMPARE(dialog.className, QStringLiteral("QFileDialog"));
        QCOMPARE(dialog.title, QStringLiteral("Try to give a name:"));
        QVERIFY(dialog.text.startsWith(QStringLiteral("PNG image (*.png);;JPEG image (*.jpg *.jpeg)")));

        QCOMPARE(answers.seen().size(), errorShown ? 2 : 1);
        if (errorShown) {
            QCOMPARE(answers.last().title, QStringLiteral("Error"));
            QVERIFY(answers.last().text.contains(QDir::toNativeSeparators(chosen)));
            QStringList left = dir.entryList(QDir::Files | QDir::NoDotAndDotDot);
            QVERIFY2(left.isEmpty(), qPrintable(left.join(", "))); // no half-written or temporary file
            return;
        }
        QImageReader reader(dir.filePath(written));
        QCOMPARE(reader.format(), format);
        const QImage saved = reader.read();
        QCOMPARE(saved.size(), QSize(320, 200));
        if (format == "png")
            QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), window.snapshot.toImage());
        if (written != typed)
            QVERIFY(!QFileInfo::exists(chosen));
    }

    void bareNameTakesTheChosenFormatAndAsksBeforeReplacing()
    {
        QTemporaryDir folder;
        const QString jpg = QDir(folder.path()).filePath(QStringLiteral("shot.jpg"));
        QVERIFY(brivo::test::writeFile(jpg, "keep me"));

        desktop window;
        window.snapshot = detailedPicture(QSize(64, 48));
        auto chooseJpegAndName = [&](QWidget *modal) {
            typeIntoSaveDialog(modal, QDir(folder.path()).filePath(QStringLiteral("shot")),
                               QStringLiteral("JPEG image (*.jpg *.jpeg)"));
        };

        ModalAnswerer answers;
        answers.act(chooseJpegAndName);
        answers.press(QMessageBox::No);
        window.save();
        QVERIFY(answers.waitUntilAnswered());
        QCOMPARE(answers.seen().size(), 2);
        QVERIFY(answers.last().text.contains(QStringLiteral("already exists")));
        QCOMPARE(brivo::test::readFile(jpg), QByteArray("keep me"));

        answers.act(chooseJpegAndName);
        answers.press(QMessageBox::Yes);
        window.save();
        QVERIFY(answers.waitUntilAnswered());
        QTRY_VERIFY(button(window, QStringLiteral("Save"))->isEnabled());
        QCOMPARE(QImageReader(jpg).format(), QByteArray("jpeg"));
        QVERIFY(!QFileInfo::exists(QDir(folder.path()).filePath(QStringLiteral("shot"))));
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
            QCOMPARE(window.cursor().shape(), Qt::BusyCursor);
            window.save();
            QCOMPARE(answers.seen().size(), 1);
            QTRY_VERIFY(save->isEnabled());
            QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
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
        const QStringList filters = brivo::writableImageFilters();
        QVERIFY(filters.size() >= 2);
        for (const QString &filter : filters) {
            const QString path =
                brivo::nameWithImageSuffix(QDir(folder.path()).filePath(QStringLiteral("x")), filter);
            QString error;
            QVERIFY2(brivo::writeImageFile(picture, path, &error),
                     qPrintable(filter + QStringLiteral(": ") + error));
            QVERIFY2(QFileInfo(path).size() > 0, qPrintable(filter));
        }
    }

    void bareNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("saved");
        QTest::newRow("png filter") << "/tmp/shot"
                                    << "PNG image (*.png)"
                                    << "/tmp/shot.png";
        QTest::newRow("first suffix of the filter") << "/tmp/shot"
                                                    << "JPEG image (*.jpg *.jpeg)"
                                                    << "/tmp/shot.jpg";
        QTest::newRow("no filter") << "/tmp/shot"
                                   << ""
                                   << "/tmp/shot.png";
        QTest::newRow("dot in the folder only") << "/tmp/v1.2/shot"
                                                << "PNG image (*.png)"
                                                << "/tmp/v1.2/shot.png";
        QTest::newRow("has a suffix") << "/tmp/shot.bmp"
                                      << "PNG image (*.png)"
                                      << "/tmp/shot.bmp";
        QTest::newRow("cancelled") << ""
                                   << "PNG image (*.png)"
                                   << "";
    }

    void bareNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(QString, saved);
        QCOMPARE(brivo::nameWithImageSuffix(name, filter), saved);
    }

    void previewFitsTheWindow_data()
    {
        QTest::addColumn<QSize>("capture");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("pixels"); // empty: no preview

        QTest::newRow("height bound") << QSize(1280, 1024) << QSize(800, 600) << 1.0 << QSize(625, 500);
        QTest::newRow("width bound") << QSize(1280, 1024) << QSize(430, 600) << 1.0 << QSize(400, 320);
        QTest::newRow("sharp on a dense screen")
            << QSize(1280, 1024) << QSize(800, 600) << 2.0 << QSize(1250, 1000);
        QTest::newRow("larger than the capture")
            << QSize(100, 50) << QSize(1030, 600) << 1.0 << QSize(1000, 500);
        QTest::newRow("no room across") << QSize(1280, 1024) << QSize(30, 600) << 1.0 << QSize();
        QTest::newRow("no room down") << QSize(1280, 1024) << QSize(800, 100) << 1.0 << QSize();
        QTest::newRow("negative box") << QSize(1280, 1024) << QSize(10, 20) << 1.0 << QSize();
        QTest::newRow("fits to nothing") << QSize(1280, 10) << QSize(31, 600) << 1.0 << QSize();
    }

    void previewFitsTheWindow()
    {
        QFETCH(QSize, capture);
        QFETCH(QSize, window);
        QFETCH(qreal, ratio);
        QFETCH(QSize, pixels);
        const QPixmap preview = brivo::scaledPreview(detailedPicture(capture), window, ratio);
        if (pixels.isEmpty()) {
            QVERIFY(preview.isNull());
            return;
        }
        QCOMPARE(preview.size(), pixels);
        QCOMPARE(preview.devicePixelRatio(), ratio);
    }

    void resizingRescalesFromTheFullCapture()
    {
        desktop window;
        window.snapshot = detailedPicture(QSize(1200, 900));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        auto previewMatchesTheCapture = [&] {
            const QPixmap expected =
                brivo::scaledPreview(window.snapshot, window.size(), window.devicePixelRatioF());
            return window.preview->pixmap().toImage() == expected.toImage();
        };
        QVERIFY(!window.preview->pixmap().isNull());
        QVERIFY(previewMatchesTheCapture());

        window.resize(600, 140); // a small preview first...
        QTRY_COMPARE(window.size(), QSize(600, 140));
        QVERIFY(previewMatchesTheCapture());
        window.resize(1000, 800); // ...then a large one, as detailed as the capture allows
        QTRY_COMPARE(window.size(), QSize(1000, 800));
        QVERIFY(previewMatchesTheCapture());
        QCOMPARE(window.snapshot.size(), QSize(1200, 900));

        // A large preview must not keep the window from shrinking again.
        window.resize(500, 300);
        QTRY_COMPARE(window.size(), QSize(500, 300));
        QVERIFY(previewMatchesTheCapture());

        window.resize(window.minimumSizeHint().width(), 90); // no room left for a preview
        QTRY_VERIFY(window.preview->pixmap().isNull());
    }

    void copyPutsTheCaptureOnTheClipboard()
    {
        desktop window;
        window.snapshot = detailedPicture(QSize(200, 100));
        button(window, QStringLiteral("Copy"))->click();
        QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 window.snapshot.toImage());
    }

    void homeOpensALauncherBesideTheWindow()
    {
        desktop window;
        window.show();
        button(window, QString())->click();
        QCOMPARE(brivo::test::visibleWindows<showmain>().size(), 1);
        QVERIFY(window.isVisible());
    }

    void snapShotTileOpensTheWindowInPlaceOfTheLauncher()
    {
        showmain launcher;
        launcher.buildUi();
        launcher.show();
        launcher.deskts();
        const auto windows = brivo::test::visibleWindows<desktop>();
        QCOMPARE(windows.size(), 1);
        QVERIFY(!launcher.isVisible());
    }
};

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
