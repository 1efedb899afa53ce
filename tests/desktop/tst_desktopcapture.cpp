// Capturing a real desktop, on a virtual X server started for the test. BRIVO_TEST_DESKTOP_PIXELS gives
// the size of the server's first screen in pixels ("1024x768"), whatever scale factor Qt is told to use.
#include "desktop/desktop.h"
#include "platform/desktopcapture.h"
#include "tests/support/testhelpers.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QScreen>
#include <QTest>

namespace {

const QRgb magenta = qRgb(255, 0, 255);

QSize expectedDesktopPixels()
{
    const QStringList parts = qEnvironmentVariable("BRIVO_TEST_DESKTOP_PIXELS").split(QLatin1Char('x'));
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

// A window of one colour over the whole first screen, so that whatever covers it shows in a capture.
class Backdrop : public QWidget
{
public:
    Backdrop()
    {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(magenta));
        setPalette(palette);
        setAutoFillBackground(true);
        setGeometry(QGuiApplication::primaryScreen()->geometry());
    }
};

// Records the hide and show events a window receives.
class VisibilityLog : public QObject
{
public:
    QStringList events;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            events.append(QStringLiteral("hide"));
        else if (event->type() == QEvent::Show)
            events.append(QStringLiteral("show"));
        return false;
    }
};

// The share of the pixels in `area` of `picture` (device pixels) that are magenta.
double magentaShare(const QImage &picture, const QRect &area)
{
    int hits = 0;
    for (int y = area.top(); y <= area.bottom(); y += 4) {
        for (int x = area.left(); x <= area.right(); x += 4)
            hits += (picture.pixel(x, y) & 0xffffff) == (magenta & 0xffffff);
    }
    return double(hits) / double(((area.width() + 3) / 4) * ((area.height() + 3) / 4));
}

QRect devicePixels(const QRect &logical, qreal ratio)
{
    return QRect((QPointF(logical.topLeft()) * ratio).toPoint(), (QSizeF(logical.size()) * ratio).toSize());
}

} // namespace

class tst_desktopcapture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "these tests need an X server; CTest starts one with xvfb-run");
        QVERIFY2(expectedDesktopPixels().isValid(), "BRIVO_TEST_DESKTOP_PIXELS is not set");
        const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
        if (!scale.isEmpty())
            QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), scale.toDouble());
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    void captureShowsTheDesktopAtItsRealSize()
    {
        Backdrop backdrop;
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        QTest::qWait(100);

        const QImage picture = brivo::captureDesktop();
        QCOMPARE(picture.size(), expectedDesktopPixels());
        QCOMPARE(picture.devicePixelRatio(), 1.0);
        // The desktop itself is in it, not a screen of another X display drawn over it.
        QCOMPARE(magentaShare(picture, picture.rect()), 1.0);
    }

    void autoHideKeepsTheWindowOutOfItsPicture()
    {
        Backdrop backdrop;
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));

        desktop window;
        QVERIFY(window.autoHide->isChecked());
        window.setGeometry(50, 40, 400, 300); // inside the screen at every scale factor
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(100);

        VisibilityLog log;
        window.installEventFilter(&log);
        QElapsedTimer elapsed;
        elapsed.start();
        window.take();
        QVERIFY(elapsed.elapsed() >= 200);
        QCOMPARE(log.events, (QStringList{"hide", "show"}));
        QVERIFY(window.isVisible());

        QCOMPARE(window.snapshot.size(), expectedDesktopPixels());
        const QRect area = devicePixels(window.frameGeometry(), window.devicePixelRatioF());
        QCOMPARE(magentaShare(window.snapshot.toImage(), area), 1.0);
        QVERIFY(!window.preview->pixmap().isNull());
    }

    void withoutAutoHideTheWindowIsInItsPicture()
    {
        Backdrop backdrop;
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));

        desktop window;
        window.autoHide->setChecked(false);
        window.setGeometry(50, 40, 400, 300);
        // A preview of the backdrop would put its colour into the window: show something else.
        QPixmap green(100, 100);
        green.fill(Qt::green);
        window.snapshot = green;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(100);

        VisibilityLog log;
        window.installEventFilter(&log);
        window.take();
        QVERIFY(log.events.isEmpty());
        QVERIFY(window.isVisible());

        // The black window covers the backdrop where it stands, and only there.
        const QImage picture = window.snapshot.toImage();
        const QRect area = devicePixels(window.frameGeometry(), window.devicePixelRatioF());
        QVERIFY(magentaShare(picture, area) < 0.05);
        QCOMPARE(picture.pixel(area.topLeft() - QPoint(2, 2)), magenta);
    }

    void firstCaptureShowsTheDesktopBeforeTheWindowOpens()
    {
        Backdrop backdrop;
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        QTest::qWait(100);

        desktop window;
        QCOMPARE(window.snapshot.size(), expectedDesktopPixels());
        QCOMPARE(magentaShare(window.snapshot.toImage(), window.snapshot.rect()), 1.0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.preview->pixmap().isNull());
    }
};

QTEST_MAIN(tst_desktopcapture)
#include "tst_desktopcapture.moc"
