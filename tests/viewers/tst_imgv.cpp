// The image viewer window: stepping through a folder, zoom and rotation, keys, mouse and drops.
#include "app/toolopeners.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhelpers.h"
#include "tests/viewers/picturefiles.h"
#include "viewers/imgv.h"
#include "viewers/picturecache.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QWheelEvent>

namespace {

QRgb shownColour(const imgv *viewer)
{
    const QImage shown = viewer->imageLabel->pixmap().toImage();
    return shown.isNull() ? 0 : shown.pixel(0, 0);
}

QSize shown(const imgv *viewer)
{
    return viewer->imageLabel->pixmap().size();
}

QSize box(const imgv *viewer)
{
    return {viewer->boxWidth, viewer->boxHeight};
}

QRgb rgb(Qt::GlobalColor colour)
{
    return QColor(colour).rgb();
}

// Opens the viewer through the dispatcher's opener.
imgv *openViewer(const QString &path)
{
    auto *viewer = qobject_cast<imgv *>(brivo::openTool(brivo::Tool::ImageViewer, path));
    if (viewer && !QTest::qWaitForWindowExposed(viewer))
        qWarning("the viewer was not exposed");
    return viewer;
}

void turnWheel(QWidget *target, int delta)
{
    QWheelEvent wheel(QPointF(9, 9), QPointF(9, 9), {}, {0, delta}, {}, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

// Five 300 x 200 pictures of one colour each, named in mixed case, then a damaged picture and a folder
// named like one; beside them a hidden picture and a text file, which are not listed.
struct Folder
{
    Folder()
    {
        const QList<QPair<QString, QColor>> pictures = {{"a.png", Qt::red},  {"B.PNG", Qt::green},
                                                        {"c.Png", Qt::blue}, {"d.png", Qt::yellow},
                                                        {"E.png", Qt::cyan}, {".f.png", Qt::magenta}};
        for (const auto &[name, colour] : pictures)
            ok &= brivo::test::writePicture(path(name), QSize(300, 200), colour);
        ok &=
            brivo::test::writeFile(path("notes.txt"), "text") && brivo::test::writeFile(path("x.jpg"), "bad");
        ok &= QDir(dir.path()).mkdir("y.gif");
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    bool ok = true;
};

} // namespace

class tst_imgv : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { brivo::test::closeAllWindows(); }

    void steppingThroughTheFolder()
    {
        Folder folder;
        QVERIFY(folder.ok);
        imgv *viewer = openViewer(folder.path("c.Png"));
        QCOMPARE(viewer->fileList,
                 QStringList({"a.png", "B.PNG", "c.Png", "d.png", "E.png", "x.jpg", "y.gif"}));
        QCOMPARE(viewer->currentIndex, 2);
        QCOMPARE(QDir::current(), QDir(folder.dir.path())); // where other tools' file dialogs start
        // Names that do not decode keep the picture on screen while the position moves on.
        for (Qt::GlobalColor colour : {Qt::blue, Qt::yellow, Qt::cyan, Qt::cyan, Qt::cyan, Qt::cyan}) {
            QCOMPARE(shownColour(viewer), rgb(colour));
            viewer->forward();
        }
        QCOMPARE(viewer->currentIndex, 6);

        // Files deleted while viewing: a step back from past the end goes to the last name left.
        for (const char *name : {"c.Png", "d.png", "E.png", "x.jpg", "y.gif"})
            QVERIFY(QDir(folder.dir.path()).remove(name) || QDir(folder.dir.path()).rmdir(name));
        viewer->backward();
        QCOMPARE(viewer->currentIndex, 1);
        QCOMPARE(shownColour(viewer), rgb(Qt::green));
        viewer->backward();
        viewer->backward();
        QCOMPARE(viewer->currentIndex, 0);
        QCOMPARE(shownColour(viewer), rgb(Qt::red));
    }

    void anUndecodableFileIsReportedAndTheFolderStillSteps()
    {
        Folder folder;
        QVERIFY(folder.ok);
        brivo::test::ModalAnswerer answers;
        answers.press(QMessageBox::Ok);
        imgv *viewer = openViewer(folder.path("x.jpg"));
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.last().text, QStringLiteral("Cannot Load Image"));
        QCOMPARE(answers.last().icon, QMessageBox::Warning);
        QVERIFY(viewer->imageLabel->pixmap().isNull());
        viewer->backward();
        QCOMPARE(shownColour(viewer), rgb(Qt::cyan));

        // Opened empty from the launcher: no warning, and the current folder is listed from its first name.
        imgv *empty = openViewer(QString());
        QVERIFY(empty->imageLabel->pixmap().isNull());
        empty->forward();
        QCOMPARE(shownColour(empty), rgb(Qt::green));
        QCOMPARE(answers.seen().size(), 1);
    }

    void zoomRotationAndResize()
    {
        Folder folder;
        QVERIFY(folder.ok);
        imgv *viewer = openViewer(folder.path("a.png"));
        const QSize windowBox = viewer->size() - QSize(15, 60);
        QCOMPARE(box(viewer), windowBox);
        QCOMPARE(shown(viewer), QSize(windowBox.width(), windowBox.width() * 2 / 3));

        // A rotation fits the turned picture into the window box and leaves the zoom box as it stood.
        viewer->zoomin();
        viewer->tranr();
        QCOMPARE(shown(viewer).height(), windowBox.height());
        viewer->zoomin();
        QCOMPARE(box(viewer), windowBox + QSize(100, 100));
        QCOMPARE(shown(viewer).height(), windowBox.height() + 100);
        for (int step = 0; step < 30; ++step)
            viewer->zommout();
        QVERIFY(box(viewer).height() > 50 && box(viewer).height() <= 100);

        viewer->resize(800, 700); // a resize ends the zoom
        QTRY_COMPARE(box(viewer), QSize(785, 640));
        QCOMPARE(shown(viewer).height(), 640);
        viewer->backward(); // even a step that cannot move drops the rotation
        QCOMPARE(shown(viewer), QSize(785, 523));
        for (int turn = 0; turn < 4; ++turn)
            viewer->tranl();
        QCOMPARE(viewer->pixmap.toImage(), viewer->image);
    }

    void keysWheelAndMouse()
    {
        Folder folder;
        QVERIFY(folder.ok);
        imgv *viewer = openViewer(folder.path("a.png"));
        QWidget *view = viewer->scrollArea;
        const QSize windowBox = box(viewer);
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageDown})
            QTest::keyClick(view, key);
        QCOMPARE(shownColour(viewer), rgb(Qt::green));
        QCOMPARE(box(viewer), windowBox + QSize(50, 50));
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(shownColour(viewer), rgb(Qt::red));

        for (int delta : {120, 0, -120})
            turnWheel(view, delta);
        QCOMPARE(box(viewer), windowBox);
        for (int part = 0; part < 8; ++part) // a fine wheel or a touchpad: eight parts make one notch
            turnWheel(view, 15);
        QCOMPARE(box(viewer), windowBox + QSize(50, 50));

        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(viewer->isFullScreen());
        QTest::mouseDClick(viewer->scrollArea->viewport(), Qt::LeftButton);
        QTRY_VERIFY(!viewer->isFullScreen());

        // A clicked button leaves the keyboard with the picture, so the arrow keys go on stepping.
        QApplication::setActiveWindow(viewer);
        QVERIFY(QTest::qWaitForWindowActive(viewer));
        QTest::mouseClick(viewer->findChildren<QPushButton *>().at(5), Qt::LeftButton); // home, then the row
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(shownColour(viewer), rgb(Qt::blue));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
        QCOMPARE(viewer->pictureCache().size(), 1); // a closed viewer keeps only what it shows
    }
};

QTEST_MAIN(tst_imgv)
#include "tst_imgv.moc"
