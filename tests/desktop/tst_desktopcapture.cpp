// Capturing a real desktop, on a virtual X server started for the test. BRIVO_TEST_DESKTOP_PIXELS gives
// the size of the server's first screen in pixels ("1024x768"), whatever scale factor Qt is told to use.
#include "desktop/desktop.h"
#include "platform/desktopcapture.h"
#include "tests/support/testhelpers.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QTest>

namespace {

const QRgb magenta = qRgb(255, 0, 255);

// A window of one colour over the whole first screen: whatever covers it shows in a capture.
class Backdrop : public QWidget
{
public:
    Backdrop()
    {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(magenta));
        setPalette(palette);
        setGeometry(QGuiApplication::primaryScreen()->geometry());
    }
};

// The share of magenta pixels in `logical` (device-independent) of a capture.
double magentaShare(const QImage &picture, const QRect &logical, qreal ratio)
{
    const QRect area((QPointF(logical.topLeft()) * ratio).toPoint(),
                     (QSizeF(logical.size()) * ratio).toSize());
    int hits = 0, all = 0;
    for (int y = area.top(); y <= area.bottom(); y += 4) {
        for (int x = area.left(); x <= area.right(); x += 4, ++all)
            hits += picture.pixel(x, y) == magenta;
    }
    return double(hits) / all;
}

} // namespace

class tst_desktopcapture : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "CTest runs these under xvfb-run");
        const QStringList size = qEnvironmentVariable("BRIVO_TEST_DESKTOP_PIXELS").split(QLatin1Char('x'));
        QCOMPARE(size.size(), 2);
        m_pixels = QSize(size[0].toInt(), size[1].toInt());
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
            QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(),
                     qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
        }
        m_backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_backdrop));
        QTest::qWait(100);
    }
    void cleanup() { brivo::test::closeAllWindows(); }

    void captureShowsTheDesktopAtItsRealSize()
    {
        const QImage picture = brivo::captureDesktop();
        QCOMPARE(picture.size(), m_pixels);
        // The backdrop, not a second X screen drawn over it.
        QCOMPARE(magentaShare(picture, QRect(QPoint(), picture.size()), 1.0), 1.0);
    }

    void take_data()
    {
        QTest::addColumn<bool>("autoHide");
        QTest::newRow("auto hide") << true;
        QTest::newRow("window stays") << false;
    }

    void take()
    {
        QFETCH(bool, autoHide);
        desktop window;
        QCOMPARE(window.snapshot.size(), m_pixels); // the first capture, before the window shows
        window.autoHide->setChecked(autoHide);
        window.setGeometry(50, 40, 400, 300); // on the screen at every scale factor
        // The preview of the backdrop would put its colour into the window: show something else.
        QPixmap green(100, 100);
        green.fill(Qt::green);
        window.snapshot = green;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(100);

        QStringList seen;
        struct Log : QObject
        {
            QStringList *seen;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Hide || e->type() == QEvent::Show)
                    seen->append(e->type() == QEvent::Hide ? QStringLiteral("hide") : QStringLiteral("show"));
                return false;
            }
        } log;
        log.seen = &seen;
        window.installEventFilter(&log);
        QElapsedTimer elapsed;
        elapsed.start();
        window.take();

        QVERIFY(window.isVisible());
        QCOMPARE(window.snapshot.size(), m_pixels);
        QVERIFY(!window.preview->pixmap().isNull());
        const double share =
            magentaShare(window.snapshot.toImage(), window.frameGeometry(), window.devicePixelRatioF());
        if (autoHide) {
            QCOMPARE(seen, (QStringList{"hide", "show"}));
            QVERIFY(elapsed.elapsed() >= 200);
            QCOMPARE(share, 1.0); // the backdrop where the window stood
        } else {
            QVERIFY(seen.isEmpty());
            QVERIFY(share < 0.05); // the window itself
        }
    }

private:
    Backdrop m_backdrop;
    QSize m_pixels;
};

QTEST_MAIN(tst_desktopcapture)
#include "tst_desktopcapture.moc"
