#include "desktop/regionoverlay.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>

namespace {

const QColor kDim(0, 0, 0, 120);
const QColor kFrame(61, 174, 233);

// A dark box with white text, placed at `at` and kept within `bounds`.
void drawTag(QPainter &painter, const QString &text, QPointF at, const QRectF &bounds)
{
    const QFontMetrics metrics = painter.fontMetrics();
    QRectF box(at, QSizeF(metrics.horizontalAdvance(text) + 12, metrics.height() + 6));
    box.moveRight(std::min(box.right(), bounds.right()));
    box.moveBottom(std::min(box.bottom(), bounds.bottom()));
    box.moveLeft(std::max(box.left(), bounds.left()));
    box.moveTop(std::max(box.top(), bounds.top()));
    painter.fillRect(box, QColor(0, 0, 0, 200));
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
}

} // namespace

RegionOverlay::RegionOverlay(const QImage &picture, const brivo::DesktopPicture::Screen &screen,
                             const QString &hint)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_screen(screen),
      m_hint(hint)
{
    // A chooser, not a window of its own: closing it never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(hint);
    // A lone screen shows the whole picture, which needs no copy of its own.
    m_frozen = QPixmap::fromImage(screen.pixels == picture.rect() ? picture : picture.copy(screen.pixels));
    // Drawn into the screen's device-independent size, the picture covers it exactly: at the screen's
    // own density that is one picture pixel per screen pixel.
    if (screen.geometry.width() > 0)
        m_frozen.setDevicePixelRatio(qreal(screen.pixels.width()) / screen.geometry.width());
    setGeometry(screen.geometry);
}

void RegionOverlay::setMarked(const QRect &pixels, const QString &label)
{
    if (pixels == m_marked && label == m_label)
        return;
    m_marked = pixels;
    m_label = label;
    update();
}

QRectF RegionOverlay::toLocal(const QRect &pixels) const
{
    const qreal sx = m_screen.pixels.width() ? qreal(width()) / m_screen.pixels.width() : 1;
    const qreal sy = m_screen.pixels.height() ? qreal(height()) / m_screen.pixels.height() : 1;
    const QPoint offset = pixels.topLeft() - m_screen.pixels.topLeft();
    return QRectF(offset.x() * sx, offset.y() * sy, pixels.width() * sx, pixels.height() * sy);
}

void RegionOverlay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_frozen);

    // Everything but the marked part is dimmed, so the choice stands out in its real colours. Filled as
    // rectangles, which is much quicker than a path with a hole over a whole screen.
    const QRectF marked = m_marked.isEmpty() ? QRectF() : toLocal(m_marked);
    const QRegion dimmed = QRegion(rect()).subtracted(QRegion(marked.toAlignedRect()));
    for (const QRect &part : dimmed)
        painter.fillRect(part, kDim);

    if (!marked.isEmpty()) {
        QPen frame(kFrame, 1);
        frame.setCosmetic(true);
        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        // The frame lies just outside the marked pixels, so that it never hides one of them.
        painter.drawRect(marked.adjusted(-1, -1, 0, 0));
        if (!m_label.isEmpty()) {
            const qreal tagHeight = painter.fontMetrics().height() + 10;
            const QPointF above(marked.left(), marked.top() - tagHeight);
            drawTag(painter, m_label, above.y() >= 0 ? above : marked.bottomLeft() + QPointF(0, 4), rect());
        }
    }

    // What to do, until the user has begun to do it.
    if (marked.isEmpty()) {
        const QFontMetrics metrics = painter.fontMetrics();
        drawTag(painter, m_hint, QPointF((width() - metrics.horizontalAdvance(m_hint)) / 2.0 - 6, 12),
                rect());
    }
}
