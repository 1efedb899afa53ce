#include "viewers/pdfpaging.h"

#include "viewers/picturedecode.h"

#include <poppler-qt6.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace pdfpaging {

int nextPage(int index, int count)
{
    return std::max(0, std::min(index + 1, count - 1));
}

int previousPage(int index)
{
    return std::max(index - 1, 0);
}

std::optional<int> typedPage(const QString &text, int count)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok || number < 1 || number > count)
        return std::nullopt;
    return number - 1;
}

std::optional<int> typedZoom(const QString &text)
{
    QString number = text.trimmed();
    if (number.endsWith(QLatin1Char('%')))
        number = number.chopped(1).trimmed();
    bool ok = false;
    const int zoom = number.toInt(&ok);
    if (!ok || zoom < 25 || zoom > 800)
        return std::nullopt;
    return zoom;
}

int zoomedIn(int dpi)
{
    return dpi > INT_MAX - zoomStep ? dpi : dpi + zoomStep;
}

std::optional<int> zoomedOut(int dpi)
{
    if (dpi - zoomStep < minimumDpi)
        return std::nullopt;
    return dpi - zoomStep;
}

WheelTurn wheelStep(bool armed, int pageIndex, int pageCount, bool forward)
{
    if (!armed)
        return {true, pageIndex, false};
    if (forward) {
        if (pageIndex + 1 >= pageCount)
            return {false, pageIndex, false};
        return {false, pageIndex + 1, true};
    }
    return {false, previousPage(pageIndex), true};
}

bool renderFailed(QSize rendered, QSizeF pagePoints, int dpiX, int dpiY)
{
    if (rendered.isEmpty())
        return true;
    const double expectedWidth = pagePoints.width() * dpiX / 72.0;
    const double expectedHeight = pagePoints.height() * dpiY / 72.0;
    return rendered == QSize(1, 1) && (expectedWidth >= 2 || expectedHeight >= 2);
}

int fitDpi(QSizeF pagePoints, QSize room, bool wholePage)
{
    if (pagePoints.isEmpty() || room.isEmpty())
        return 0;
    // One pixel to spare: poppler rounds the rendered size up.
    double dpi = (room.width() - 1) * 72.0 / pagePoints.width();
    if (wholePage)
        dpi = std::min(dpi, (room.height() - 1) * 72.0 / pagePoints.height());
    return std::max(minimumDpi, int(dpi));
}

QSize openingSize(QSize page, QSize chrome, QSize available)
{
    return (page + chrome).boundedTo(available);
}

double budgetScale(QSizeF pagePoints, int dpiX, int dpiY)
{
    const QSize asked(int(std::ceil(pagePoints.width() * dpiX / 72.0)),
                      int(std::ceil(pagePoints.height() * dpiY / 72.0)));
    const QSize within = brivo::withinPixelBudget(asked);
    return within == asked ? 1.0 : double(within.width()) / asked.width();
}

QImage renderPage(const Poppler::Page &page, int dpiX, int dpiY)
{
    // A page above the pixel budget is drawn at the largest resolution within it.
    const double scale = budgetScale(page.pageSizeF(), dpiX, dpiY);
    const int x = int(dpiX * scale), y = int(dpiY * scale);
    // A page so large that one dot per inch is above the budget is not drawn at all.
    if (x < 1 || y < 1)
        return QImage();
    QImage image = page.renderToImage(x, y, -1, -1, -1, -1, Poppler::Page::Rotate0);
    if (renderFailed(image.size(), page.pageSizeF(), x, y))
        return QImage();
    return image;
}

} // namespace pdfpaging
