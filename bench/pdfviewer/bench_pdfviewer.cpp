// Page turning in the PDF viewer: the time from a turn to the painted page, for pages the viewer had time to
// prepare while the reader was on the one before. On a light page (text) against a fixed 2 ms; on heavy
// pages (thousands of vector curves, a large photograph), made here until one takes at least 100 ms to
// render at 100 dots per inch, against rendering that page alone with poppler, at 100 and at 310 dots per
// inch (the zoom step nearest to 300). Every turn must show the prepared picture itself, not a copy of it.
//
// The window paints on the offscreen platform unless QT_QPA_PLATFORM says otherwise: the page is painted
// into the window's backing store all the same, but the display server's turn to copy it to the screen
// (several milliseconds on a busy machine, and the same for any program) stays out of the figure.
#include "bench/common/benchreport.h"
#include "bench/common/samplefiles.h"
#include "viewers/pageprerenderer.h"
#include "viewers/pdf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <poppler-qt6.h>

#include <cstdio>
#include <functional>

namespace {

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

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(argc, argv,
                                  {"PDF page turn, prepared, light page", "PDF turn, curves, 100 dpi",
                                   "PDF turn, curves, 310 dpi", "PDF turn, photo, 100 dpi",
                                   "PDF turn, photo, 310 dpi", "PDF turns showing a copy"}))
        return 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
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
    return holds ? 0 : 1;
}
