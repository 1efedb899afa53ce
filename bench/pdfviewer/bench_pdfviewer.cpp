// Page turning in the PDF viewer: the time from a turn to the painted page, for pages the viewer had time to
// prepare while the reader was on the one before, against rendering one page alone with poppler. Both are
// measured on the same text-heavy document in the same run.
//
// The window paints on the offscreen platform unless QT_QPA_PLATFORM says otherwise: the page is painted
// into the window's backing store all the same, but the display server's turn to copy it to the screen
// (several milliseconds on a busy machine, and the same for any program) stays out of the figure.
#include "bench/common/benchreport.h"
#include "viewers/pageprerenderer.h"
#include "viewers/pdf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QWindow>

#include <poppler-qt6.h>

#include <cstdio>

namespace {

const int turns = 20;
const int rounds = 3;

// Keeps the event loop going until `done` holds or `ms` pass; whether it came to hold.
template <typename Done> bool waitFor(Done done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A letter-size page after page of small, justified-looking text, as in a paper or a manual.
bool writeTextDocument(const QString &path, int pages)
{
    static const char *const words[] = {"render", "page",   "viewer",  "document", "resolution", "glyph",
                                        "the",    "of",     "and",     "a",        "turning",    "reader",
                                        "cache",  "thread", "poppler", "font",     "paragraph",  "margin"};
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setResolution(300);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(9);
    painter.setFont(font);
    const int lineHeight = painter.fontMetrics().lineSpacing();
    const QRect area = painter.viewport().adjusted(150, 150, -150, -150);
    QRandomGenerator random(6);
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            writer.newPage();
        for (int y = area.top() + lineHeight; y < area.bottom(); y += lineHeight) {
            QString line;
            while (painter.fontMetrics().horizontalAdvance(line) < area.width() - 200)
                line += QLatin1String(words[random.bounded(int(std::size(words)))]) + QLatin1Char(' ');
            painter.drawText(area.left(), y, line.trimmed());
        }
    }
    return painter.end();
}

} // namespace

int main(int argc, char *argv[])
{
    if (brivo::bench::listFigures(argc, argv, {"PDF page turn, prepared (time)"}))
        return 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.pdf"));
    if (!dir.isValid() || !writeTextDocument(path, turns + 1)) {
        std::fprintf(stderr, "bench_pdfviewer: cannot write the test document\n");
        return 2;
    }

    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document) {
        std::fprintf(stderr, "bench_pdfviewer: poppler cannot open the test document\n");
        return 2;
    }
    document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    document->page(0)->renderToImage(100, 100); // fonts loaded once, as the viewer's first page does

    // Each turn is measured right after the same page is rendered alone at 100 dots per inch (the limit),
    // so that both see the same load on the machine. Before the turn the reader stays on the page long
    // enough for the next one to be prepared; a turn ends when the event loop has painted the new page.
    QList<double> renderMs;
    QList<double> turnMs;
    for (int round = 0; round < rounds; ++round) {
        pdf window;
        window.setFile(path);
        window.buildUi();
        window.resize(1000, 900);
        window.show();
        if (!waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 5000))
            return 2;
        auto *prerenderer = window.findChild<brivo::PagePrerenderer *>();
        for (int i = 1; i <= turns; ++i) {
            if (!prerenderer || !waitFor([&] { return prerenderer->isKept(i); }, 10000)) {
                std::fprintf(stderr, "bench_pdfviewer: page %d was never prepared\n", i + 1);
                return 2;
            }
            // The worker is idle now, so the render alone has the processor to itself.
            QElapsedTimer timer;
            timer.start();
            const QImage alone = document->page(i)->renderToImage(100, 100);
            renderMs.append(timer.nsecsElapsed() / 1e6);
            if (alone.isNull())
                return 2;

            timer.restart();
            window.fo();
            QCoreApplication::processEvents();
            turnMs.append(timer.nsecsElapsed() / 1e6);
        }
    }

    using brivo::bench::median;
    const bool holds = brivo::bench::reportRatio(
        QStringLiteral("PDF page turn, prepared (time)"), median(turnMs), median(renderMs),
        QStringLiteral("rendering the page"), 0.1, QStringLiteral("ms"));
    return holds ? 0 : 1;
}
