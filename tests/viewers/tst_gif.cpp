// The GIF viewer: playing and pausing, the resize count all viewers share, files that are no animation.
#include "app/toolopeners.h"
#include "app/windowkeeper.h"
#include "tests/support/testhelpers.h"
#include "viewers/gif.h"

#include <QMovie>
#include <QPushButton>
#include <QStyle>
#include <QTest>

namespace {

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

gif *openViewer(const QString &path, const QSize &size = QSize())
{
    auto *viewer = new gif;
    brivo::keepUntilExit(viewer); // deleted by closeAllWindows()
    viewer->init(path);
    if (size.isValid())
        viewer->resize(size);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer))
        qWarning("the viewer was not exposed");
    return viewer;
}

bool showsIcon(gif *viewer, QStyle::StandardPixmap which)
{
    const QIcon expected = viewer->style()->standardIcon(which);
    return viewer->playButton->icon().pixmap(16).toImage() == expected.pixmap(16).toImage();
}

} // namespace

class tst_gif : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { brivo::test::closeAllWindows(); }

    // The first three resize events of the process leave the animation at its own size; a viewer opened
    // later stretches it to its window less 150 pixels each way from its first resize on.
    void theResizeCountIsSharedByAllViewers()
    {
        QTemporaryDir dir;
        QVERIFY(brivo::test::writeFile(dir.filePath("a.gif"), animation(3, true)));
        gif::resizeCount = 0;
        gif *first = openViewer(dir.filePath("a.gif"));
        for (int size = 400; gif::resizeCount < 3; size += 10) {
            QCOMPARE(first->movie->scaledSize(), QSize());
            first->resize(size, size);
        }
        QCOMPARE(first->movie->scaledSize(), QSize());
        first->resize(500, 450);
        QCOMPARE(first->movie->scaledSize(), QSize(350, 300));
        QTRY_COMPARE(first->movie->currentPixmap().size(), QSize(350, 300));

        gif *second = openViewer(dir.filePath("a.gif"), QSize(400, 300));
        QCOMPARE(second->movie->scaledSize(), QSize(250, 150));
        second->resize(140, 400); // no room: the animation keeps its size
        QCOMPARE(second->movie->scaledSize(), QSize(250, 150));
        QCOMPARE(gif::resizeCount, 3);
    }

    void pauseResumeAndAFinishedAnimation()
    {
        QTemporaryDir dir;
        QVERIFY(brivo::test::writeFile(dir.filePath("loop.gif"), animation(3, true)));
        QVERIFY(brivo::test::writeFile(dir.filePath("once.gif"), animation(2, false)));
        gif *viewer = qobject_cast<gif *>(brivo::openTool(brivo::Tool::GifViewer, dir.filePath("loop.gif")));
        QVERIFY(viewer && viewer->isVisible());
        QCOMPARE(viewer->movie->state(), QMovie::Running);
        QVERIFY(showsIcon(viewer, QStyle::SP_MediaPause));
        QTest::mouseClick(viewer->playButton, Qt::LeftButton);
        QCOMPARE(viewer->movie->state(), QMovie::Paused);
        QVERIFY(showsIcon(viewer, QStyle::SP_MediaPlay));
        QTest::mouseClick(viewer->playButton, Qt::LeftButton);
        QCOMPARE(viewer->movie->state(), QMovie::Running);
        QVERIFY(showsIcon(viewer, QStyle::SP_MediaPause));

        gif *once = openViewer(dir.filePath("once.gif"));
        QTRY_COMPARE(once->movie->state(), QMovie::NotRunning);
        for (int click = 0; click < 2; ++click) {
            once->click();
            QVERIFY(showsIcon(once, QStyle::SP_MediaPlay));
            QCOMPARE(once->movie->state(), QMovie::NotRunning);
        }
    }

    // No file, one that is no GIF, and downloads cut short: an empty label or the frames that arrived.
    void filesThatAreNoAnimation()
    {
        QTemporaryDir dir;
        const QList<QPair<QByteArray, bool>> files = {{QByteArray(), false},
                                                      {"GIF? a shopping list", false},
                                                      {animation(3, true).left(30), false},
                                                      {animation(3, true).left(80), true}};
        for (const auto &[contents, showsAFrame] : files) {
            const QString path =
                contents.isNull() ? QString() : dir.filePath(QString::number(qHash(contents)));
            QVERIFY(contents.isNull() || brivo::test::writeFile(path, contents));
            gif *viewer = openViewer(path);
            QTest::qWait(100);
            QCOMPARE(!viewer->movie->currentPixmap().isNull(), showsAFrame);
            QCOMPARE(viewer->findChildren<QPushButton *>().size(), 2);
            viewer->click();
            QVERIFY(viewer->movie->state() != QMovie::Running);
        }
    }
};

QTEST_MAIN(tst_gif)
#include "tst_gif.moc"
