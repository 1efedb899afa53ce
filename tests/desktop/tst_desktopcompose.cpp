// Laying the screens' pictures out as one desktop picture.
#include "platform/desktopcapture.h"

#include <QTest>

using brivo::ScreenPicture;

namespace {

// A screen's picture in one colour, `ratio` device pixels per coordinate.
QImage screenPicture(const QSize &logical, qreal ratio, QRgb colour)
{
    QImage image((QSizeF(logical) * ratio).toSize(), QImage::Format_RGB32);
    image.fill(colour);
    image.setDevicePixelRatio(ratio);
    return image;
}

const QRgb red = qRgb(255, 0, 0);
const QRgb blue = qRgb(0, 0, 255);
const QRgb black = qRgb(0, 0, 0);

struct Probe
{
    QPoint at;
    QRgb colour;
};

} // namespace

Q_DECLARE_METATYPE(QList<ScreenPicture>)
Q_DECLARE_METATYPE(QList<Probe>)

class tst_desktopcompose : public QObject
{
    Q_OBJECT
private slots:
    void layout_data()
    {
        QTest::addColumn<QList<ScreenPicture>>("screens");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<Probe>>("probes");

        QTest::newRow("one screen") << QList<ScreenPicture>{{{0, 0, 800, 600},
                                                             screenPicture({800, 600}, 1, red)}}
                                    << QSize(800, 600) << QList<Probe>{{{799, 599}, red}};
        QTest::newRow("one dense screen at its real size")
            << QList<ScreenPicture>{{{0, 0, 640, 512}, screenPicture({640, 512}, 2, red)}}
            << QSize(1280, 1024) << QList<Probe>{{{1279, 1023}, red}};
        // 1024 / 1.5 is no whole number: the layout says 683 across, the screen has 1024 pixels.
        QImage fractional(1024, 768, QImage::Format_RGB32);
        fractional.fill(red);
        fractional.setDevicePixelRatio(1.5);
        QTest::newRow("one screen at a fractional ratio")
            << QList<ScreenPicture>{{{0, 0, 683, 512}, fractional}} << QSize(1024, 768)
            << QList<Probe>{{{1023, 767}, red}};
        QTest::newRow("side by side, uneven heights")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, screenPicture({800, 600}, 1, red)},
                                    {{800, 0, 640, 480}, screenPicture({640, 480}, 1, blue)}}
            << QSize(1440, 600)
            << QList<Probe>{{{799, 599}, red}, {{800, 0}, blue}, {{1439, 479}, blue}, {{1439, 480}, black}};
        QTest::newRow("second screen left of the first")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, screenPicture({800, 600}, 1, red)},
                                    {{-640, 0, 640, 600}, screenPicture({640, 600}, 1, blue)}}
            << QSize(1440, 600) << QList<Probe>{{{0, 0}, blue}, {{639, 599}, blue}, {{640, 0}, red}};
        QTest::newRow("stacked")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, screenPicture({800, 600}, 1, red)},
                                    {{0, 600, 800, 600}, screenPicture({800, 600}, 1, blue)}}
            << QSize(800, 1200) << QList<Probe>{{{0, 599}, red}, {{0, 600}, blue}};
        // The dense screen keeps its pixels; the other is scaled up to the same density.
        QTest::newRow("mixed densities")
            << QList<ScreenPicture>{{{0, 0, 640, 512}, screenPicture({640, 512}, 2, red)},
                                    {{640, 0, 800, 600}, screenPicture({800, 600}, 1, blue)}}
            << QSize(2880, 1200)
            << QList<Probe>{
                   {{1279, 1023}, red}, {{1279, 1024}, black}, {{1280, 0}, blue}, {{2879, 1199}, blue}};
        QTest::newRow("a screen without a picture stays black")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, QImage()},
                                    {{800, 0, 800, 600}, screenPicture({800, 600}, 1, blue)}}
            << QSize(1600, 600) << QList<Probe>{{{0, 0}, black}, {{799, 599}, black}, {{800, 0}, blue}};
        QTest::newRow("no picture at all")
            << QList<ScreenPicture>{{{0, 0, 800, 600}, QImage()}} << QSize() << QList<Probe>{};
        QTest::newRow("no screen") << QList<ScreenPicture>{} << QSize() << QList<Probe>{};
    }

    void layout()
    {
        QFETCH(QList<ScreenPicture>, screens);
        QFETCH(QSize, size);
        QFETCH(QList<Probe>, probes);

        const QImage desktop = brivo::composeDesktop(screens);
        if (size.isEmpty()) {
            QVERIFY(desktop.isNull());
            return;
        }
        QCOMPARE(desktop.size(), size);
        QCOMPARE(desktop.devicePixelRatio(), 1.0);
        for (const Probe &probe : probes) {
            QVERIFY2(desktop.pixel(probe.at) == probe.colour,
                     qPrintable(QStringLiteral("at %1,%2: %3")
                                    .arg(probe.at.x())
                                    .arg(probe.at.y())
                                    .arg(desktop.pixel(probe.at), 8, 16, QLatin1Char('0'))));
        }
    }

    void densestScreenKeepsEveryPixel()
    {
        // A fine pattern on the dense screen must come through unscaled beside a plain screen.
        QImage dense(200, 100, QImage::Format_RGB32);
        for (int y = 0; y < dense.height(); ++y) {
            for (int x = 0; x < dense.width(); ++x)
                dense.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
        dense.setDevicePixelRatio(2);
        const QImage desktop = brivo::composeDesktop(
            {{{0, 0, 100, 50}, dense}, {{100, 0, 100, 50}, screenPicture({100, 50}, 1, red)}});
        dense.setDevicePixelRatio(1);
        QCOMPARE(desktop.copy(0, 0, 200, 100), dense.convertToFormat(QImage::Format_RGB32));
    }
};

QTEST_MAIN(tst_desktopcompose)
#include "tst_desktopcompose.moc"
