// The snapshot window's own cost. Taking a picture (without hiding) against grabbing the desktop alone:
// what the window adds is the preview. Region, from the request to the frozen picture painted full
// screen (what the user waits for before dragging), against a grab shown full screen in a plain label:
// what the chooser adds is its own drawing. Saving against QImage::save of
// the same picture: what the window adds is the encoding in memory and the write in one piece. Needs a
// desktop: bench/run starts Xvfb.
#include "bench/common/benchreport.h"
#include "desktop/desktop.h"
#include "desktop/imagesaving.h"
#include "desktop/regionoverlay.h"
#include "platform/desktopcapture.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// Runs `a` and `b` in turn, `rounds` times each, alternating which goes first so that the machine's
// other load falls on both alike.
void alternate(int rounds, const std::function<void()> &a, QList<double> *aMs, const std::function<void()> &b,
               QList<double> *bMs)
{
    for (int i = 0; i < rounds; ++i) {
        if (i % 2) {
            aMs->append(milliseconds(a));
            bMs->append(milliseconds(b));
        } else {
            bMs->append(milliseconds(b));
            aMs->append(milliseconds(a));
        }
    }
}

// Something like a busy desktop: gradients, blocks of colour and fine noise, so PNG has work to do.
QImage busyDesktop(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(30, 60, 120));
    gradient.setColorAt(1, QColor(200, 120, 40));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator random(7);
    for (int i = 0; i < 400; ++i) {
        painter.fillRect(random.bounded(size.width()), random.bounded(size.height()), random.bounded(300),
                         random.bounded(200), QColor::fromRgb(random.generate()));
    }
    painter.end();
    for (int y = 0; y < size.height(); y += 3) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] ^= random.bounded(8);
    }
    return image;
}

// Tells when a top-level window has painted once since the last reset.
class PaintWatch : public QObject
{
public:
    PaintWatch() { qApp->installEventFilter(this); }
    void reset() { m_painted.clear(); }
    // Every visible window that `counts` picks has painted, and there is one at least.
    bool allPainted(const std::function<bool(QWidget *)> &counts) const
    {
        int windows = 0;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && counts(widget)) {
                ++windows;
                if (!m_painted.contains(widget))
                    return false;
            }
        }
        return windows > 0;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Marked once the paint is over and its picture on its way to the screen.
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow())
            QMetaObject::invokeMethod(
                this, [this, watched] { m_painted.insert(watched); }, Qt::QueuedConnection);
        return false;
    }

private:
    QSet<QObject *> m_painted;
};

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(
            argc, argv,
            {"snapshot take, with preview", "snapshot region chooser up", "snapshot save 2560x1440 png"}))
        return 0;
    QApplication app(argc, argv);
    if (brivo::captureDesktop().isNull()) {
        std::fprintf(stderr, "bench_snapshot: this platform gives no picture of the desktop\n");
        return 2;
    }
    // The best of many rounds: this work has no variance of its own, so the fastest round is the one
    // the machine's other load disturbed least.
    const auto best = [](const QList<double> &samples) {
        return *std::min_element(samples.begin(), samples.end());
    };

    desktop window;
    window.autoHide->setChecked(false);
    window.show();
    app.processEvents();
    QList<double> takeMs, grabMs;
    const auto take = [&] { window.take(); };
    const auto grab = [] { QPixmap::fromImage(brivo::captureDesktop()); };
    alternate(40, take, &takeMs, grab, &grabMs);
    bool holds =
        brivo::bench::reportRatio(QStringLiteral("snapshot take, with preview"), best(takeMs), best(grabMs),
                                  QStringLiteral("desktop grab alone"), 1.5, QStringLiteral("ms"));

    // Region, until the frozen picture is painted full screen (then cancelled), against the least any
    // frozen chooser does: a grab shown full screen in a plain label.
    QList<double> regionMs, labelMs;
    PaintWatch watch;
    const auto waitForPaint = [&](const std::function<bool(QWidget *)> &counts) {
        while (!watch.allPainted(counts))
            app.processEvents(QEventLoop::WaitForMoreEvents);
    };
    const auto region = [&] {
        watch.reset();
        window.takeRegion();
        waitForPaint([](QWidget *widget) { return qobject_cast<RegionOverlay *>(widget) != nullptr; });
        window.cancelCapture();
        app.processEvents();
    };
    const auto label = [&] {
        watch.reset();
        QLabel shown;
        shown.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        shown.setPixmap(QPixmap::fromImage(brivo::captureDesktop()));
        shown.setGeometry(QGuiApplication::primaryScreen()->geometry());
        shown.showFullScreen();
        waitForPaint([&](QWidget *widget) { return widget == &shown; });
        shown.hide();
        app.processEvents();
    };
    alternate(20, region, &regionMs, label, &labelMs);
    holds &=
        brivo::bench::reportRatio(QStringLiteral("snapshot region chooser up"), best(regionMs), best(labelMs),
                                  QStringLiteral("a grab shown full screen"), 1.5, QStringLiteral("ms"));

    QTemporaryDir folder;
    const QImage picture = busyDesktop(QSize(2560, 1440));
    QList<double> saveMs, plainMs;
    QString error;
    const auto ours = [&] { brivo::writeImageFile(picture, folder.filePath("a.png"), &error); };
    const auto plain = [&] { picture.save(folder.filePath("b.png")); };
    alternate(8, ours, &saveMs, plain, &plainMs);
    holds &=
        brivo::bench::reportRatio(QStringLiteral("snapshot save 2560x1440 png"), best(saveMs), best(plainMs),
                                  QStringLiteral("QImage::save"), 1.25, QStringLiteral("ms"));
    return holds ? 0 : 1;
}
