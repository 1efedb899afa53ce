// Stepping forward through ten 24-megapixel JPEGs in the image viewer: the time of a step to a picture
// that had time to be decoded ahead, and of one that had none, each against decoding one such JPEG alone;
// and the memory the viewer holds while stepping, against the size of one decoded picture.
#include "bench/common/benchreport.h"
#include "bench/common/samplefiles.h"
#include "viewers/imgv.h"
#include "viewers/picturecache.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThreadPool>
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

double decodeMs(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage decoded = reader.read();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (decoded.size() != kPhoto)
        std::fprintf(stderr, "bench_imageviewer: %s did not decode\n", qPrintable(path));
    return ms;
}

bool waitUntil(const std::function<bool()> &condition, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
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

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(argc, argv,
                                  {"image step, decoded ahead", "image step, no time to decode",
                                   "image viewer memory while stepping"}))
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
        alone.append(decodeMs(path));
    const double decode = brivo::bench::median(alone);

    const double before = residentMiB();
    auto *viewer = new imgv;
    viewer->openFile(paths.first());
    viewer->buildUi();
    viewer->show();
    waitUntil([viewer] { return viewer->isVisible() && viewer->windowHandle()->isExposed(); }, 10000);

    QList<double> preloaded, cold, residentPictures;
    const double pictureMiB = kPhoto.width() * kPhoto.height() * 4 / (1024.0 * 1024.0);
    for (int i = 1; i < kPhotos; ++i) {
        if (!waitUntil([&] { return viewer->pictureCache().isReady(paths.at(i)); }, 60000)) {
            std::fprintf(stderr, "bench_imageviewer: the next photo was never decoded ahead\n");
            return 2;
        }
        residentPictures.append((residentMiB() - before) / pictureMiB);
        preloaded.append(timeStep(viewer, &imgv::forward));
    }
    // Back again without a pause: each step finds its picture still being decoded, or not yet begun.
    for (int i = 1; i < kPhotos; ++i)
        cold.append(timeStep(viewer, &imgv::backward));
    if (viewer->currentIndex != 0) {
        std::fprintf(stderr, "bench_imageviewer: stepping ended at %d\n", viewer->currentIndex);
        return 2;
    }

    using brivo::bench::median;
    bool holds =
        brivo::bench::reportRatio(QStringLiteral("image step, decoded ahead"), median(preloaded), decode,
                                  QStringLiteral("decoding one 24 MP JPEG"), 0.1, QStringLiteral("ms"));
    holds &= brivo::bench::reportRatio(QStringLiteral("image step, no time to decode"), median(cold), decode,
                                       QStringLiteral("decoding one 24 MP JPEG"), 1.2, QStringLiteral("ms"));
    holds &= brivo::bench::reportRatio(
        QStringLiteral("image viewer memory while stepping"),
        *std::max_element(residentPictures.begin(), residentPictures.end()) * pictureMiB, pictureMiB,
        QStringLiteral("one decoded 24 MP picture"), 4.0, QStringLiteral("MiB"));
    delete viewer;
    return holds ? 0 : 1;
}
