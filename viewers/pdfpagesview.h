// The pages of a document one below the other, for reading by scrolling. It lays the pages out at one
// resolution and draws the pictures it is given, a blank page for the others; which pages to render, and
// where to scroll, is its owner's to decide.
#pragma once

#include "brivo_pdf_export.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QTransform>
#include <QWidget>

#include <functional>
#include <optional>

namespace brivo {

class BRIVO_PDF_EXPORT PdfPagesView : public QWidget
{
    Q_OBJECT
public:
    // Space between two pages and around them, in pixels.
    static constexpr int gap = 8;

    // `pagePoints` holds each page's size in points (1/72 inch).
    explicit PdfPagesView(const QList<QSizeF> &pagePoints, QWidget *parent = nullptr);

    // Lays the pages out at another resolution; the pictures drawn at the old one are dropped.
    void setResolution(int dpiX, int dpiY);
    // Turns every page by `quarterTurns` quarter turns clockwise (negative: anticlockwise) and lays them
    // out again; the pictures stay, as they are drawn upright and turned as they are painted.
    void setQuarterTurns(int quarterTurns);
    int quarterTurns() const { return m_turns; }
    // Where page `index` lies in the view.
    QRect pageRect(int index) const;
    // From a point on page `index`, in fractions of the page as it stands upright (0 to 1 across and
    // down, as poppler gives links and text), to the view.
    QTransform pageTransform(int index) const;
    // The page at `pos` and the point on it, in fractions of the upright page; nothing in a gap or beside
    // the pages. With `page`, that page and the point clamped to it, wherever `pos` is.
    struct PagePoint
    {
        int page;
        QPointF at;
    };
    std::optional<PagePoint> pagePoint(QPoint pos, std::optional<int> page = std::nullopt) const;
    // The page at height `y` (the one above when `y` is in a gap), clamped to the document.
    int pageAt(int y) const;
    int pageCount() const { return int(m_points.size()); }

    // The picture of page `index` at the current resolution (a picture within the pixel budget is drawn
    // scaled up to the page's place).
    void setPage(int index, const QImage &image);
    bool hasPage(int index) const { return m_images.contains(index); }
    // Lets go of every picture but those of the pages from `first` to `last`.
    void keepOnly(int first, int last);
    // Painted over each page drawn: the owner's marks (search hits), given pageTransform() of the page.
    std::function<void(QPainter &, int index, const QTransform &toView)> decorate;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<QSizeF> m_points;
    void layOut();
    // Page `index` as laid out before it is turned, and from its pixels to the view.
    QSize uprightSize(int index) const;
    QTransform uprightToView(int index) const;

    int m_dpiX = 100;
    int m_dpiY = 100;
    int m_turns = 0;
    // Each page's top and its size as laid out (turned), at the current resolution.
    QList<int> m_tops;
    QList<QSize> m_sizes;
    QHash<int, QImage> m_images;
};

} // namespace brivo
