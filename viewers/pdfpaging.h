// The PDF viewer's arithmetic, apart from the window: page bounds, the typed page number, zoom limits and
// the mouse wheel's two-step page turn.
#pragma once

#include "brivo_pdf_export.h"

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <optional>

namespace Poppler {
class Page;
}

namespace pdfpaging {

// Resolution change of one zoom step, in dots per inch.
inline constexpr int zoomStep = 30;
// The lowest resolution zoom out goes to. Below it a page is an unreadable smudge, and zero or less would
// reach the renderer as a meaningless size.
inline constexpr int minimumDpi = 10;

// The page after `index` in a document of `count` pages, staying on the last one.
BRIVO_PDF_EXPORT int nextPage(int index, int count);
// The page before `index`, staying on the first one.
BRIVO_PDF_EXPORT int previousPage(int index);

// The zero-based page a typed one-based page number names, or nothing when the text is not a decimal
// number or names no page of a document of `count` pages.
BRIVO_PDF_EXPORT std::optional<int> typedPage(const QString &text, int count);

// The zoom a typed percentage names ("150", "150 %"), in percent of 100 dots per inch, which is also its
// resolution; nothing when the text is not a whole number from 25 to 800.
BRIVO_PDF_EXPORT std::optional<int> typedZoom(const QString &text);

// The resolution one zoom step in from `dpi`; zooming in has no limit of its own.
BRIVO_PDF_EXPORT int zoomedIn(int dpi);
// The resolution one zoom step out from `dpi`, or nothing when that would go below minimumDpi.
BRIVO_PDF_EXPORT std::optional<int> zoomedOut(int dpi);

// What one wheel step at the end of a page does. The first step only arms; the next one, in either
// direction, turns the page and disarms. Forward at the last page disarms and stays; backward at the first
// page re-shows the first page.
struct WheelTurn
{
    bool armed = false;
    int pageIndex = 0;
    // Whether the page at pageIndex is to be shown (afresh) and the view scrolled to its top.
    bool show = false;
};
BRIVO_PDF_EXPORT WheelTurn wheelStep(bool armed, int pageIndex, int pageCount, bool forward);

// Whether a picture of `rendered` pixels is a failed rendering of a page of `pagePoints` (1/72 inch) at the
// given resolution. Poppler gives a null picture, or a single pixel when it cannot allocate the page.
BRIVO_PDF_EXPORT bool renderFailed(QSize rendered, QSizeF pagePoints, int dpiX, int dpiY);

// The resolution at which a page of `pagePoints` (1/72 inch) fits `room` pixels: its width alone, or with
// `wholePage` the whole of it. Never below minimumDpi, and nothing (0) when the page or room is empty.
BRIVO_PDF_EXPORT int fitDpi(QSizeF pagePoints, QSize room, bool wholePage);

// The size to open the window at: the page and what surrounds it (`chrome`, the frames, bars and panels),
// but never larger than `available`, the part of the screen that windows may take.
BRIVO_PDF_EXPORT QSize openingSize(QSize page, QSize chrome, QSize available);

// What a page of `pagePoints` (1/72 inch) is drawn at, as a share of the resolution asked for: 1, or less
// for a page above the pixel budget (kPixelBudget) at that resolution.
BRIVO_PDF_EXPORT double budgetScale(QSizeF pagePoints, int dpiX, int dpiY);

// The whole page, unrotated, at the given resolution, or within the pixel budget at the largest
// resolution it allows; a null image when it cannot be rendered (or not within the budget at one dot per
// inch).
QImage renderPage(const Poppler::Page &page, int dpiX, int dpiY);

} // namespace pdfpaging
