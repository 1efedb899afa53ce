// The pages of a document one below the other, for reading by scrolling. It lays the pages out at one
// resolution and draws the pictures it is given, a blank page for the others; which pages to render, and
// where to scroll, is its owner's to decide.
#pragma once

#include "brivo_pdf_export.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QWidget>

#include <functional>

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
    // Where page `index` lies in the view.
    QRect pageRect(int index) const;
    // The page at height `y` (the one above when `y` is in a gap), clamped to the document.
    int pageAt(int y) const;
    int pageCount() const { return int(m_points.size()); }

    // The picture of page `index` at the current resolution (a picture within the pixel budget is drawn
    // scaled up to the page's place).
    void setPage(int index, const QImage &image);
    bool hasPage(int index) const { return m_images.contains(index); }
    // Lets go of every picture but those of the pages from `first` to `last`.
    void keepOnly(int first, int last);
    // Painted over each page drawn: the owner's marks (search hits), given the page's place.
    std::function<void(QPainter &, int index, const QRect &place)> decorate;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<QSizeF> m_points;
    // Each page's top, at the current resolution, and the widest page's width.
    QList<int> m_tops;
    QList<QSize> m_sizes;
    QHash<int, QImage> m_images;
};

} // namespace brivo
