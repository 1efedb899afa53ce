// The image viewer's folder listing and box rules, without a window.
#include "tests/support/testhelpers.h"
#include "viewers/imagefolder.h"

#include <QDir>
#include <QTest>

class tst_imagefolder : public QObject
{
    Q_OBJECT
private slots:
    void listsPicturesOnceEachSortedIgnoringCase()
    {
        QTemporaryDir dir;
        for (const char *name : {"b.PNG", "a.jpg", "C.Jpeg", "d.gif", "e.JPG", "Z.GIF", "B.png", "notes.txt",
                                 ".hidden.png", "scan.bmp", "png", "x.png.txt"})
            QVERIFY(brivo::test::writeFile(dir.filePath(name), "?"));
        QVERIFY(QDir(dir.path()).mkdir("album.png"));
        const QStringList expected = {"a.jpg",  "album.png", "B.png", "b.PNG",
                                      "C.Jpeg", "d.gif",     "e.JPG", "Z.GIF"};
        QCOMPARE(brivo::listPictureNames(dir.path()), expected);
    }

    void zoomingOut_data()
    {
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("window box") << QSize(585, 440) << QSize(535, 390);
        QTest::newRow("down to 51 wide") << QSize(101, 300) << QSize(51, 250);
        QTest::newRow("51 wide stays") << QSize(51, 250) << QSize(51, 250);
        QTest::newRow("never 50 high") << QSize(300, 100) << QSize(300, 100);
    }
    void zoomingOut()
    {
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        QCOMPARE(brivo::zoomedOut(box), expected);
    }

    void fittingNeverLosesThePicture()
    {
        QCOMPARE(brivo::fittedSize(QSize(16, 16), QSize(585, 440)), QSize(440, 440));
        QCOMPARE(brivo::fittedSize(QSize(100000, 10), QSize(585, 440)), QSize(585, 1));
        QVERIFY(brivo::fittedSize(QSize(400, 300), QSize(-15, 40)).isEmpty()); // the view keeps its picture
    }
};

QTEST_MAIN(tst_imagefolder)
#include "tst_imagefolder.moc"
