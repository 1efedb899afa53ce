// Stepping through ten 24-megapixel JPEGs in the image viewer. A step to a picture that had time to be
// decoded ahead, against decoding one such JPEG alone with QImageReader. Then the keys held down (a key
// every 33 ms, as keyboards repeat) through all ten, forward and back: the longest time the window did not
// react (against 50 ms), and the time from the last key to the last picture on screen, against one decode
// with QImageReader and against one decode with the viewer's own decoder (which is the faster of the two:
// anything above 1 of it is the cost of showing). And the memory the viewer holds while stepping, against
// the size of one decoded picture.
#include "bench/common/benchreport.h"
#include "bench/common/samplefiles.h"
#include "viewers/imgv.h"
#include "viewers/picturecache.h"
#include "viewers/picturedecode.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QWindow>
#include <QtMath>

#include <algorithm>

#include <cstdio>
#include <functional>

namespace {

const QSize kPhoto(6000, 4000);
const int kPhotos = 10;

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

double decodeMs(const QString &path, bool own)
{
    QElapsedTimer timer;
    timer.start();
    QImage decoded;
    if (own) {
        decoded = brivo::decodePicture(path);
    } else {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        decoded = reader.read();
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    if (decoded.size() != kPhoto)
        std::fprintf(stderr, "bench_imageviewer: %s did not decode\n", qPrintable(path));
    return ms;
}

bool waitUntil(const std::function<bool()> &condition, int ms)
{
    // The loop sleeps between events, woken at least every 5 ms to look again: a loop that spun would
    // take a processor from the threads being measured.
    QTimer wake;
    wake.start(5);
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// One step, including the repaint that puts the new picture on screen.
double timeStep(imgv *viewer, void (imgv::*step)())
{
    QElapsedTimer timer;
    timer.start();
    (viewer->*step)();
    viewer->imageLabel->repaint();
    return timer.nsecsElapsed() / 1e6;
}

struct HeldKey
{
    double longestStallMs = 0;
    double lastPictureMs = 0; // from the last key to the last picture painted
};

// Holds `key` down in the viewer until it has gone `steps` pictures on (a key every 33 ms, delivered by the
// event loop as the window system's would be), and waits for the picture it ends on. A timer that wants to
// run every 2 ms measures the longest time the event loop was held up.
HeldKey holdKey(imgv *viewer, Qt::Key key, int steps, const QString &last,
                const std::function<double()> &memory, QList<double> *resident)
{
    HeldKey held;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = clock.nsecsElapsed(), lastKey = 0;
    int sent = 0, ticks = 0;
    QTimer beat, keys;
    beat.setTimerType(Qt::PreciseTimer);
    keys.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        held.longestStallMs = qMax(held.longestStallMs, (now - lastTick) / 1e6);
        lastTick = now;
        if (++ticks % 10 == 0)
            resident->append(memory());
        if (sent == steps && viewer->shownPath() == last && held.lastPictureMs == 0) {
            viewer->imageLabel->repaint();
            held.lastPictureMs = (clock.nsecsElapsed() - lastKey) / 1e6;
        }
    });
    QObject::connect(&keys, &QTimer::timeout, [&] {
        if (sent == steps) {
            keys.stop();
            return;
        }
        QCoreApplication::postEvent(viewer->scrollArea, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
        QCoreApplication::postEvent(viewer->scrollArea,
                                    new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
        lastKey = clock.nsecsElapsed();
        ++sent;
    });
    beat.start(2);
    keys.start(33);
    waitUntil([&] { return held.lastPictureMs > 0; }, 60000);
    return held;
}

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(
            argc, argv,
            {"image step, decoded ahead", "image keys held: longest stall", "image keys held: last picture",
             "image keys held: last picture, own decoder", "image viewer memory while stepping"}))
        return 0;
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < kPhotos; ++i)
        paths.append(dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
    // The photos are made in parallel; saving a JPEG of this size takes a while.
    for (int i = 0; i < kPhotos; ++i) {
        QThreadPool::globalInstance()->start(
            [i, &paths] { brivo::bench::photoLike(kPhoto, i).save(paths.at(i), "JPEG", 92); });
    }
    QThreadPool::globalInstance()->waitForDone();

    QList<double> alone;
    for (const QString &path : paths)
        alone.append(decodeMs(path, false));
    const double decode = brivo::bench::median(alone);

    const double before = residentMiB();
    auto *viewer = new imgv;
    viewer->openFile(paths.first());
    viewer->buildUi();
    viewer->show();
    waitUntil([viewer] { return viewer->isVisible() && viewer->windowHandle()->isExposed(); }, 10000);

    QList<double> preloaded, residentMiBs;
    const double pictureMiB = kPhoto.width() * kPhoto.height() * 4 / (1024.0 * 1024.0);
    for (int i = 1; i < kPhotos; ++i) {
        if (!waitUntil([&] { return viewer->pictureCache().isReady(paths.at(i)); }, 60000)) {
            std::fprintf(stderr, "bench_imageviewer: the next photo was never decoded ahead\n");
            return 2;
        }
        residentMiBs.append(residentMiB() - before);
        preloaded.append(timeStep(viewer, &imgv::forward));
    }

    // The keys held down: back through all ten, forward again, and back once more. Each run starts once
    // the neighbour of the picture it starts from is decoded, as when the user has looked at it a while,
    // and right after the picture it ends on was decoded alone both ways, so that the machine's load is
    // the same for the figure and its limit.
    QList<double> stalls, lastPictures, runDecodes, runOwnDecodes;
    const std::function<double()> memory = [before] { return residentMiB() - before; };
    for (int run = 0; run < 3; ++run) {
        const bool back = run % 2 == 0;
        const QString &neighbour = paths.at(back ? kPhotos - 2 : 1);
        if (!waitUntil([&] { return viewer->pictureCache().isReady(neighbour); }, 60000)) {
            std::fprintf(stderr, "bench_imageviewer: the neighbour was never decoded ahead\n");
            return 2;
        }
        const QString &last = paths.at(back ? 0 : kPhotos - 1);
        runDecodes.append(decodeMs(last, false));
        runOwnDecodes.append(decodeMs(last, true));
        const HeldKey held =
            holdKey(viewer, back ? Qt::Key_Left : Qt::Key_Right, kPhotos - 1, last, memory, &residentMiBs);
        if (held.lastPictureMs == 0) {
            std::fprintf(stderr, "bench_imageviewer: the last picture never came\n");
            return 2;
        }
        stalls.append(held.longestStallMs);
        lastPictures.append(held.lastPictureMs);
    }

    using brivo::bench::median;
    bool holds =
        brivo::bench::reportRatio(QStringLiteral("image step, decoded ahead"), median(preloaded), decode,
                                  QStringLiteral("decoding one 24 MP JPEG"), 0.1, QStringLiteral("ms"));
    holds &= brivo::bench::reportRatio(QStringLiteral("image keys held: longest stall"),
                                       *std::max_element(stalls.begin(), stalls.end()), 50,
                                       QStringLiteral("50 ms"), 1.0, QStringLiteral("ms"));
    holds &= brivo::bench::reportRatio(QStringLiteral("image keys held: last picture"), median(lastPictures),
                                       median(runDecodes), QStringLiteral("decoding one 24 MP JPEG"), 1.0,
                                       QStringLiteral("ms"));
    holds &= brivo::bench::reportRatio(QStringLiteral("image keys held: last picture, own decoder"),
                                       median(lastPictures), median(runOwnDecodes),
                                       QStringLiteral("the viewer's own decode"), 1.2, QStringLiteral("ms"));
    holds &=
        brivo::bench::reportRatio(QStringLiteral("image viewer memory while stepping"),
                                  *std::max_element(residentMiBs.begin(), residentMiBs.end()), pictureMiB,
                                  QStringLiteral("one decoded 24 MP picture"), 4.0, QStringLiteral("MiB"));
    delete viewer;
    return holds ? 0 : 1;
}
