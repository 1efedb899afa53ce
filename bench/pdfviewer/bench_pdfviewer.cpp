// Page turning in the PDF viewer: the time from a turn to the painted page, for pages the viewer had time to
// prepare while the reader was on the one before. On a light page (text) against a fixed 2 ms; on heavy
// pages (thousands of vector curves, a large photograph), made here until one takes at least 100 ms to
// render at 100 dots per inch, against rendering that page alone with poppler, at 100 and at 310 dots per
// inch (the zoom step nearest to 300). Every turn must show the prepared picture itself, not a copy of it.
//
// And reading a 300-page manual from its first page to its last with Page Down held, the keys arriving
// every 30 ms as a keyboard's auto-repeat sends them, whatever the window is doing: in continuous mode the
// GUI thread never keeps a 5 ms timer waiting more than 50 ms, and the peak memory stays within 1.2 times
// that of the single-page view read the same way. Each of those runs is a child process of its own, so that
// its peak memory is its own; the two views alternate in the same session.
//
// The window paints on the offscreen platform unless QT_QPA_PLATFORM says otherwise: the page is painted
// into the window's backing store all the same, but the display server's turn to copy it to the screen
// (several milliseconds on a busy machine, and the same for any program) stays out of the figure.
#include "bench/common/benchreport.h"
#include "bench/common/childprocess.h"
#include "bench/common/samplefiles.h"
#include "bench/common/stallprobe.h"
#include "viewers/pageprerenderer.h"
#include "viewers/pdf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <poppler-qt6.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

using brivo::bench::Figure;
const Figure kHeldStall{"PDF continuous, Page Down held (GUI stall)", "the 50 ms allowed", 1.0, "ms"};
const Figure kHeldMemory{"PDF continuous, Page Down held (peak memory)", "single page, Page Down held", 1.2,
                         "MiB"};
constexpr int kHeldPages = 300;

// Keeps the event loop going until `done` holds or `ms` pass; whether it came to hold.
bool waitFor(const std::function<bool()> &done, int ms)
{
    // The loop sleeps between events, woken at least every 5 ms to look again: a loop that spun would
    // take a processor from the threads being measured.
    QTimer wake;
    wake.start(5);
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Small, justified-looking text, as in a paper or a manual.
void drawText(QPainter &painter, QRect page, int number)
{
    static const char *const words[] = {"render", "page",   "viewer",  "document", "resolution", "glyph",
                                        "the",    "of",     "and",     "a",        "turning",    "reader",
                                        "cache",  "thread", "poppler", "font",     "paragraph",  "margin"};
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(9);
    painter.setFont(font);
    const int lineHeight = painter.fontMetrics().lineSpacing();
    const QRect area = page.adjusted(150, 150, -150, -150);
    QRandomGenerator random(quint32(6 + number));
    for (int y = area.top() + lineHeight; y < area.bottom(); y += lineHeight) {
        QString line;
        while (painter.fontMetrics().horizontalAdvance(line) < area.width() - 200)
            line += QLatin1String(words[random.bounded(int(std::size(words)))]) + QLatin1Char(' ');
        painter.drawText(area.left(), y, line.trimmed());
    }
}

// `count` curves of many colours and widths, as in a detailed map or a technical drawing.
void drawCurves(QPainter &painter, QRect page, int number, int count)
{
    QRandomGenerator random(quint32(100 + number));
    const auto point = [&] { return QPointF(random.bounded(page.width()), random.bounded(page.height())); };
    for (int i = 0; i < count; ++i) {
        QPainterPath path(point());
        path.cubicTo(point(), point(), point());
        painter.setPen(QPen(QColor::fromRgb(random.generate()), 1 + random.bounded(6)));
        painter.drawPath(path);
    }
}

// A photograph filling the page, `side` pixels on its longer side, with the grain of a real one.
void drawPhoto(QPainter &painter, QRect page, int number, int side)
{
    QImage photo(side, side * 3 / 4, QImage::Format_RGB32);
    QRandomGenerator random(quint32(200 + number));
    for (int y = 0; y < photo.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const int grain = int(random.bounded(40));
            line[x] = qRgb((x * 255 / photo.width() + grain) & 0xff,
                           (y * 255 / photo.height() + grain) & 0xff, (number * 40 + grain) & 0xff);
        }
    }
    painter.drawImage(page, photo);
}

std::unique_ptr<Poppler::Document> openWithPoppler(const QString &path)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (document)
        document->setRenderHint(Poppler::Document::TextAntialiasing, true); // as the viewer
    return document;
}

double renderMs(Poppler::Document &document, int index, int dpi)
{
    QElapsedTimer timer;
    timer.start();
    const QImage image = document.page(index)->renderToImage(dpi, dpi);
    return image.isNull() ? -1 : timer.nsecsElapsed() / 1e6;
}

// Makes a document of `pages` pages that `drawPage(load)` draws, doubling the load until its first page
// takes at least 100 ms to render at 100 dots per inch.
bool writeHeavyDocument(const QString &path, int pages, int load,
                        const std::function<void(QPainter &, QRect, int, int)> &drawPage)
{
    for (int round = 0; round < 6; ++round, load *= 2) {
        if (!brivo::bench::writeLetterPages(path, pages,
                                            [&](QPainter &p, QRect r, int n) { drawPage(p, r, n, load); }))
            return false;
        std::unique_ptr<Poppler::Document> document = openWithPoppler(path);
        if (!document)
            return false;
        renderMs(*document, 0, 100); // fonts and caches warm
        if (renderMs(*document, 0, 100) >= 100)
            return true;
    }
    return false;
}

struct Turns
{
    QList<double> renderMs;
    QList<double> turnMs;
    int copies = 0; // turns that showed a copy of the prepared picture
};

// Opens `path` in the viewer, zooms in `zoomSteps` times, and turns `turns` pages, each once the viewer
// has prepared it; right before each turn the same page is rendered alone at the same resolution, so that
// both see the same load on the machine.
bool measureTurns(const QString &path, int zoomSteps, int turns, Turns *out)
{
    std::unique_ptr<Poppler::Document> document = openWithPoppler(path);
    if (!document)
        return false;
    const int dpi = 100 + 30 * zoomSteps;
    pdf window;
    window.setFile(path);
    window.buildUi();
    window.resize(1000, 900);
    window.show();
    if (!waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 5000))
        return false;
    for (int step = 0; step < zoomSteps; ++step)
        window.zi();
    auto *prerenderer = window.findChild<brivo::PagePrerenderer *>();
    auto *label = window.findChild<QLabel *>(QStringLiteral("imageLabel"));
    renderMs(*document, 0, dpi);
    for (int i = 1; i <= turns; ++i) {
        if (!prerenderer || !waitFor([&] { return prerenderer->isKept(i); }, 120000)) {
            std::fprintf(stderr, "bench_pdfviewer: page %d was never prepared\n", i + 1);
            return false;
        }
        // The worker is idle now, so the render alone has the processor to itself.
        const double alone = renderMs(*document, i, dpi);
        if (alone < 0)
            return false;
        out->renderMs.append(alone);

        QElapsedTimer timer;
        timer.start();
        window.fo();
        QCoreApplication::processEvents();
        out->turnMs.append(timer.nsecsElapsed() / 1e6);
        if (label->pixmap().toImage().constBits() != prerenderer->page(i).constBits())
            ++out->copies;
    }
    return true;
}

// Page Down held down: from a thread of its own, a press and a release every 30 ms are queued for the
// window as the window system queues a keyboard's auto-repeat, so that keys pile up while the GUI thread
// is busy rather than wait for it.
class HeldKey
{
public:
    HeldKey(QObject *window, Qt::Key key)
    {
        // A key event names the keyboard it came from; without a window system's own, the first event makes
        // one, owned by the application, and that must happen on the GUI thread.
        QInputDevice::primaryKeyboard();
        m_thread = std::thread([this, window, key] { repeat(window, key); });
    }
    ~HeldKey()
    {
        m_held = false;
        m_thread.join();
    }
    int presses() const { return m_presses; }

private:
    void repeat(QObject *window, Qt::Key key)
    {
        auto next = std::chrono::steady_clock::now();
        for (bool first = true; m_held; first = false) {
            QCoreApplication::postEvent(
                window, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(), !first));
            QCoreApplication::postEvent(
                window, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, QString(), true));
            ++m_presses;
            next += std::chrono::milliseconds(30);
            std::this_thread::sleep_until(next);
        }
    }

    std::atomic_bool m_held = true;
    std::atomic_int m_presses = 0;
    std::thread m_thread;
};

struct Held
{
    double stallMs = -1; // -1: the last page was never reached
    double ms = 0;
    int presses = 0;
};

// Opens `path` in the viewer, continuous or a page at a time, and holds Page Down on the page until the
// bottom of the last page is shown: the longest stall of the GUI thread meanwhile, the time and the keys
// it took.
Held holdPageDown(const QString &path, bool continuous)
{
    Held held;
    pdf window;
    window.setFile(path);
    window.buildUi();
    window.resize(1000, 900);
    window.show();
    window.activateWindow();
    if (!waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 5000))
        return held;
    window.setContinuous(continuous);
    auto *area = window.findChild<QScrollArea *>(QStringLiteral("scrollArea"));
    auto *pageEdit = window.findChild<QLineEdit *>(QStringLiteral("pageEdit"));
    if (!area || !pageEdit || !waitFor([&] { return !window.pageComing(); }, 10000))
        return held;
    if ((area->widget()->objectName() == QLatin1String("pagesView")) != continuous) {
        std::fprintf(stderr, "bench_pdfviewer: the viewer is not in the view asked for\n");
        return held;
    }
    // The keys go where the reader's would after a click on the page.
    area->setFocus(Qt::MouseFocusReason);
    waitFor([] { return false; }, 500);

    QScrollBar *down = area->verticalScrollBar();
    const auto atTheEnd = [&] {
        return pageEdit->text() == QString::number(kHeldPages) && !window.pageComing() &&
               down->value() == down->maximum();
    };
    brivo::bench::StallProbe probe;
    QElapsedTimer clock;
    clock.start();
    {
        HeldKey key(window.windowHandle(), Qt::Key_PageDown);
        if (!waitFor(atTheEnd, 180000))
            return held;
        held.ms = clock.nsecsElapsed() / 1e6;
        held.presses = key.presses();
    }
    // What the last keys set going is part of the reading too.
    waitFor([] { return false; }, 500);
    held.stallMs = probe.longestMs();
    return held;
}

// The child run: argv is the program, --held, single or continuous, the document and the result file.
int heldChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const Held held = holdPageDown(QString::fromLocal8Bit(argv[3]), qstrcmp(argv[2], "continuous") == 0);
    QFile result(QString::fromLocal8Bit(argv[4]));
    if (held.stallMs < 0 || !result.open(QIODevice::WriteOnly))
        return 1;
    result.write(QByteArray::number(held.stallMs) + ' ' + QByteArray::number(held.ms) + ' ' +
                 QByteArray::number(held.presses));
    return 0;
}

// Page Down held through the manual in both views, in alternating child runs: the stall figure of the
// continuous view, and its peak memory against the single page's. Whether they could be measured; `holds`
// is cleared when a figure misses.
bool measureHeld(const QTemporaryDir &dir, bool *holds)
{
    const QString manual = dir.filePath(QStringLiteral("manual.pdf"));
    if (!brivo::bench::writeManual(manual, kHeldPages)) {
        std::fprintf(stderr, "bench_pdfviewer: cannot write the manual\n");
        return false;
    }
    const QString self = QCoreApplication::applicationFilePath();
    const QString resultPath = dir.filePath(QStringLiteral("held"));
    const int asked = qEnvironmentVariableIntValue("BRIVO_BENCH_ROUNDS");
    const int rounds = asked > 0 ? asked : 3;
    QList<double> stallMs[2], ms[2], presses[2], peakMiB[2];
    for (int run = 0; run < 2 * rounds; ++run) {
        const bool continuous = run % 2;
        QFile::remove(resultPath);
        // Each run has a state folder of its own: a place remembered by the run before would start this
        // one elsewhere than on the first page.
        const QString state = dir.filePath(QStringLiteral("state-%1").arg(run));
        const auto cost = brivo::bench::runChild(
            self,
            {QStringLiteral("--held"), continuous ? QStringLiteral("continuous") : QStringLiteral("single"),
             manual, resultPath},
            {{QStringLiteral("BRIVO_STATE_DIR"), state}});
        QFile result(resultPath);
        if (cost.exitCode != 0 || !result.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_pdfviewer: Page Down held (%s) failed (exit %d)\n",
                         continuous ? "continuous" : "single page", cost.exitCode);
            return false;
        }
        const QList<QByteArray> figures = result.readAll().split(' ');
        stallMs[continuous].append(figures.value(0).toDouble());
        ms[continuous].append(figures.value(1).toDouble());
        presses[continuous].append(figures.value(2).toDouble());
        peakMiB[continuous].append(cost.peakMiB);
        std::fprintf(stderr,
                     "bench_pdfviewer: Page Down held, %s: %.0f presses in %.0f ms, longest stall %.1f "
                     "ms, peak %.1f MiB\n",
                     continuous ? "continuous" : "single page", presses[continuous].constLast(),
                     ms[continuous].constLast(), stallMs[continuous].constLast(), cost.peakMiB);
    }
    using brivo::bench::median;
    *holds &= brivo::bench::report(kHeldStall, median(stallMs[1]), 50);
    *holds &= brivo::bench::report(kHeldMemory, median(peakMiB[1]), median(peakMiB[0]));
    std::printf("  (to page %d: continuous %.0f presses in %.1f s; single page %.0f presses in %.1f s, its "
                "longest stall %.1f ms)\n",
                kHeldPages, median(presses[1]), median(ms[1]) / 1000, median(presses[0]),
                median(ms[0]) / 1000, median(stallMs[0]));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(argc, argv,
                                  {"PDF page turn, prepared, light page", "PDF turn, curves, 100 dpi",
                                   "PDF turn, curves, 310 dpi", "PDF turn, photo, 100 dpi",
                                   "PDF turn, photo, 310 dpi", "PDF turns showing a copy", kHeldStall.name,
                                   kHeldMemory.name}))
        return 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && qstrcmp(argv[1], "--held") == 0)
        return heldChild(argc, argv);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    // The places the viewer remembers go to the run's own folder, never the user's.
    qputenv("BRIVO_STATE_DIR", QFile::encodeName(dir.filePath(QStringLiteral("state"))));
    const QString text = dir.filePath(QStringLiteral("text.pdf"));
    const QString curves = dir.filePath(QStringLiteral("curves.pdf"));
    const QString photos = dir.filePath(QStringLiteral("photos.pdf"));
    const int lightTurns = 20, heavyTurns = 4;
    if (!dir.isValid() || !brivo::bench::writeLetterPages(text, lightTurns + 1, drawText) ||
        !writeHeavyDocument(curves, heavyTurns + 1, 250, drawCurves) ||
        !writeHeavyDocument(photos, heavyTurns + 1, 600, drawPhoto)) {
        std::fprintf(stderr, "bench_pdfviewer: cannot write a test document heavy enough\n");
        return 2;
    }

    using brivo::bench::median;
    bool holds = true;
    int copies = 0, turned = 0;
    Turns light;
    for (int round = 0; round < 3; ++round) {
        if (!measureTurns(text, 0, lightTurns, &light))
            return 2;
    }
    holds &=
        brivo::bench::reportRatio(QStringLiteral("PDF page turn, prepared, light page"), median(light.turnMs),
                                  2.0, QStringLiteral("2 ms"), 1.0, QStringLiteral("ms"));
    copies += light.copies;
    turned += int(light.turnMs.size());

    const struct
    {
        const char *figure;
        const QString &path;
        int zoomSteps;
    } heavy[] = {
        {"PDF turn, curves, 100 dpi", curves, 0},
        {"PDF turn, curves, 310 dpi", curves, 7},
        {"PDF turn, photo, 100 dpi", photos, 0},
        {"PDF turn, photo, 310 dpi", photos, 7},
    };
    for (const auto &kind : heavy) {
        Turns turns;
        if (!measureTurns(kind.path, kind.zoomSteps, heavyTurns, &turns))
            return 2;
        holds &= brivo::bench::reportRatio(QLatin1String(kind.figure), median(turns.turnMs),
                                           median(turns.renderMs), QStringLiteral("rendering the page"), 0.05,
                                           QStringLiteral("ms"));
        copies += turns.copies;
        turned += int(turns.turnMs.size());
    }

    // Each turn must show the prepared picture itself: a copy would double the page's memory and time.
    holds &= brivo::bench::reportRatio(QStringLiteral("PDF turns showing a copy"), copies, turned,
                                       QStringLiteral("turns"), 0.0, QStringLiteral("turns"));
    if (!measureHeld(dir, &holds))
        return 2;
    return holds ? 0 : 1;
}
