// Decoding pictures, and keeping the neighbours of the shown one decoded ahead.
#include "tests/viewers/picturefiles.h"
#include "viewers/picturecache.h"
#include "viewers/picturedecode.h"

#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

class tst_picturecache : public QObject
{
    Q_OBJECT
private slots:
    void decoding()
    {
        QTemporaryDir dir;
        // Phones store a picture taken upright sideways, with a tag saying how to turn it.
        QImageWriter phone(dir.filePath("phone.jpg"), "jpeg");
        phone.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(phone.write(QImage(400, 300, QImage::Format_RGB32)));
        QCOMPARE(brivo::decodePicture(dir.filePath("phone.jpg")).size(), QSize(300, 400));

        // Qt refuses a few hundred megabytes by default, less than a panorama or a scan takes; above the
        // viewer's own limit a picture is refused rather than take memory the machine may not have. One bit
        // a pixel keeps the files small: the limits count four bytes a pixel whatever the format.
        QImage scan(9000, 8000, QImage::Format_Mono), huge(24000, 24000, QImage::Format_Mono);
        scan.fill(1);
        huge.fill(0);
        QVERIFY(scan.save(dir.filePath("scan.png")) && huge.save(dir.filePath("huge.png")));
        huge = QImage();
        QCOMPARE(brivo::decodePicture(dir.filePath("scan.png")).size(), QSize(9000, 8000));
        QVERIFY(brivo::decodePicture(dir.filePath("huge.png")).isNull());
    }

    void neighboursAreServedAheadUntilTheFileChanges()
    {
        QTemporaryDir dir;
        QStringList paths;
        const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
        for (int i = 0; i < colours.size(); ++i) {
            paths.append(dir.filePath(QStringLiteral("%1.png").arg(i)));
            QVERIFY(brivo::test::writePicture(paths.last(), QSize(600, 400), colours.at(i)));
        }
        // Asked for at once, while still queued or decoding, or later when ready: always the right picture,
        // and never more than the shown one and its two neighbours held.
        brivo::PictureCache cache;
        for (int i = 0; i + 1 < paths.size(); ++i) {
            cache.keepOnly(paths.at(i), {paths.at(i + 1), paths.at(qMax(0, i - 1))});
            QVERIFY(cache.size() <= 3);
            if (i % 2)
                QTRY_VERIFY(cache.isReady(paths.at(i + 1)));
            QCOMPARE(cache.picture(paths.at(i + 1)).pixel(0, 0), colours.at(i + 1).rgb());
        }
        QVERIFY(!cache.isReady(paths.first()));

        QVERIFY(brivo::test::writePicture(paths.last(), QSize(30, 20), Qt::black));
        QFile file(paths.last());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(5),
                                 QFileDevice::FileModificationTime));
        QCOMPARE(cache.picture(paths.last()).size(), QSize(30, 20));
    }
};

QTEST_MAIN(tst_picturecache)
#include "tst_picturecache.moc"
