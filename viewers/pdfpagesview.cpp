#include "viewers/pdfpagesview.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace brivo {

PdfPagesView::PdfPagesView(const QList<QSizeF> &pagePoints, QWidget *parent)
    : QWidget(parent), m_points(pagePoints)
{
    setObjectName(QStringLiteral("pagesView"));
    setResolution(100, 100);
}

void PdfPagesView::setResolution(int dpiX, int dpiY)
{
    m_images.clear();
    m_tops.clear();
    m_sizes.clear();
    int top = gap, width = 0;
    for (const QSizeF &points : std::as_const(m_points)) {
        const QSize size(qMax(1, qRound(points.width() * dpiX / 72.0)),
                         qMax(1, qRound(points.height() * dpiY / 72.0)));
        m_tops.append(top);
        m_sizes.append(size);
        top += size.height() + gap;
        width = qMax(width, size.width());
    }
    // The scroll area gives the view at least this size, and scrolls over it.
    setMinimumSize(width + 2 * gap, top);
    update();
}

QRect PdfPagesView::pageRect(int index) const
{
    if (index < 0 || index >= m_tops.size())
        return QRect();
    const QSize size = m_sizes.at(index);
    return QRect(QPoint((width() - size.width()) / 2, m_tops.at(index)), size);
}

int PdfPagesView::pageAt(int y) const
{
    const auto after = std::upper_bound(m_tops.cbegin(), m_tops.cend(), y);
    return std::clamp(int(after - m_tops.cbegin()) - 1, 0, qMax(0, int(m_tops.size()) - 1));
}

void PdfPagesView::setPage(int index, const QImage &image)
{
    if (index < 0 || index >= m_tops.size() || image.isNull())
        return;
    m_images.insert(index, image);
    update(pageRect(index));
}

void PdfPagesView::keepOnly(int first, int last)
{
    for (auto it = m_images.begin(); it != m_images.end();)
        it = it.key() < first || it.key() > last ? m_images.erase(it) : std::next(it);
}

void PdfPagesView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    if (m_tops.isEmpty())
        return;
    for (int index = pageAt(event->rect().top()); index < m_tops.size(); ++index) {
        const QRect place = pageRect(index);
        if (place.top() > event->rect().bottom())
            break;
        const auto image = m_images.constFind(index);
        if (image == m_images.constEnd())
            painter.fillRect(place, Qt::white);
        else
            painter.drawImage(place, *image);
        if (decorate)
            decorate(painter, index, place);
    }
}

} // namespace brivo
