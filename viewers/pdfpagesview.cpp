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
    m_dpiX = dpiX;
    m_dpiY = dpiY;
    m_images.clear();
    layOut();
}

void PdfPagesView::setQuarterTurns(int quarterTurns)
{
    m_turns = ((quarterTurns % 4) + 4) % 4;
    layOut();
}

void PdfPagesView::layOut()
{
    m_tops.clear();
    m_sizes.clear();
    int top = gap, width = 0;
    for (const QSizeF &points : std::as_const(m_points)) {
        QSize size(qMax(1, qRound(points.width() * m_dpiX / 72.0)),
                   qMax(1, qRound(points.height() * m_dpiY / 72.0)));
        if (m_turns % 2 == 1)
            size.transpose();
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

QSize PdfPagesView::uprightSize(int index) const
{
    const QSize size = m_sizes.value(index);
    return m_turns % 2 == 1 ? size.transposed() : size;
}

QTransform PdfPagesView::uprightToView(int index) const
{
    // Turned about the page and kept at its top left corner, then moved to the page's place.
    const QSize upright = uprightSize(index);
    const QRect place = pageRect(index);
    return QImage::trueMatrix(QTransform().rotate(90.0 * m_turns), upright.width(), upright.height()) *
           QTransform::fromTranslate(place.x(), place.y());
}

QTransform PdfPagesView::pageTransform(int index) const
{
    const QSize upright = uprightSize(index);
    return QTransform::fromScale(upright.width(), upright.height()) * uprightToView(index);
}

std::optional<PdfPagesView::PagePoint> PdfPagesView::pagePoint(QPoint pos, std::optional<int> page) const
{
    if (m_tops.isEmpty())
        return std::nullopt;
    const int index = page.value_or(pageAt(pos.y()));
    const QRect place = pageRect(index);
    if (!page && !place.contains(pos))
        return std::nullopt;
    const QPoint inside(std::clamp(pos.x(), place.left(), place.right() + 1),
                        std::clamp(pos.y(), place.top(), place.bottom() + 1));
    const QPointF at = pageTransform(index).inverted().map(QPointF(inside));
    return PagePoint{index, QPointF(std::clamp(at.x(), 0.0, 1.0), std::clamp(at.y(), 0.0, 1.0))};
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
        const QSize upright = uprightSize(index);
        const QTransform fromUpright = uprightToView(index);
        if (image == m_images.constEnd()) {
            painter.fillRect(place, Qt::white);
        } else {
            // Drawn upright, and turned with the page (unturned, the page is only moved to its place).
            painter.setTransform(fromUpright);
            painter.drawImage(QRect(QPoint(0, 0), upright), *image);
            painter.resetTransform();
        }
        if (decorate)
            decorate(painter, index, QTransform::fromScale(upright.width(), upright.height()) * fromUpright);
    }
}

} // namespace brivo
