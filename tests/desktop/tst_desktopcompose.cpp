// Laying the screens' pictures out as one desktop picture.
#include "platform/desktopcapture.h"

#include <QTest>

using brivo::ScreenPicture;
using Probes = QList<QPair<QPoint, QRgb>>;

namespace {

// A screen's picture in one colour, `ratio` device pixels per coordinate.
QImage screen(int width, int height, qreal ratio, QRgb colour)
{
    QImage image((QSizeF(width, height) * ratio).toSize(), QImage::Format_RGB32);
    image.fill(colour);
    image.setDevicePixelRatio(ratio);
    return image;
}

const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), black = qRgb(0, 0, 0);

} // namespace

class tst_desktopcompose : public QObject
{
    Q_OBJECT
private slots:
    void layout_data()
    {
        QTest::addColumn<QList<ScreenPicture>>("screens");
        QTest::addColumn<QSize>("size"); // empty: no picture
        QTest::addColumn<Probes>("probes");

        QTest::newRow("dense screen at its real size")
            << QList<ScreenPicture>{{{0, 0, 640, 512}, screen(640, 512, 2, red)}} << QSize(1280, 1024)
            << Probes{{{1279, 1023}, red}};
        // 1024 / 1.5 is no whole number: the layout says 683 across, the screen has 1024 pixels.
        QImage fractional = screen(1024, 768, 1, red);
        fractional.setDevicePixelRatio(1.5);
        QTest::newRow("fractional ratio") << QList<ScreenPicture>{{{0, 0, 683, 512}, fractional}}
                                          << QSize(1024, 768) << Probes{{{1023, 767}, red}};
        QTest::newRow("side by side, uneven heights")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, screen(800, 600, 1, red)},
                                    {{800, 0, 640, 480}, screen(640, 480, 1, blue)}}
            << QSize(1440, 600) << Probes{{{799, 599}, red}, {{800, 0}, blue}, {{1439, 480}, black}};
        QTest::newRow("second screen on the left")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, screen(800, 600, 1, red)},
                                    {{-640, 0, 640, 600}, screen(640, 600, 1, blue)}}
            << QSize(1440, 600) << Probes{{{0, 0}, blue}, {{639, 599}, blue}, {{640, 0}, red}};
        // The dense screen keeps its pixels; the other is scaled up to the same density.
        QTest::newRow("mixed densities")
            << QList<ScreenPicture>{{{0, 0, 640, 512}, screen(640, 512, 2, red)},
                                    {{640, 0, 800, 600}, screen(800, 600, 1, blue)}}
            << QSize(2880, 1200)
            << Probes{{{1279, 1023}, red}, {{1279, 1024}, black}, {{1280, 0}, blue}, {{2879, 1199}, blue}};
        QTest::newRow("a screen without a picture stays black")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, QImage()},
                                    {{800, 0, 800, 600}, screen(800, 600, 1, blue)}}
            << QSize(1600, 600) << Probes{{{799, 599}, black}, {{800, 0}, blue}};
        QTest::newRow("no picture at all")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, QImage()}} << QSize() << Probes{};
    }

    void layout()
    {
        QFETCH(QList<ScreenPicture>, screens);
        QFETCH(QSize, size);
        QFETCH(Probes, probes);
        const QImage desktop = brivo::composeDesktop(screens);
        QCOMPARE(desktop.isNull(), size.isEmpty());
        if (size.isEmpty())
            return;
        QCOMPARE(desktop.size(), size);
        QCOMPARE(desktop.devicePixelRatio(), 1.0);
        for (const auto &[at, colour] : probes)
            QVERIFY2(desktop.pixel(at) == colour,
                     qPrintable(QStringLiteral("at %1,%2").arg(at.x()).arg(at.y())));
    }
};

QTEST_MAIN(tst_desktopcompose)
#include "tst_desktopcompose.moc"
