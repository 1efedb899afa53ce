#include "app/tilegrid.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>

namespace brivo {

namespace {

// Distance along the direction of travel, and how far off the line of travel, of `to` from `from`;
// nothing when `to` is not on that side or shares no row or column with `from`.
std::optional<std::pair<int, int>> stepTo(const QRect &from, const QRect &to, int key)
{
    const QPoint offset = to.center() - from.center();
    const bool sameRow = to.top() <= from.bottom() && to.bottom() >= from.top();
    const bool sameColumn = to.left() <= from.right() && to.right() >= from.left();
    int along = 0;
    int across = 0;
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Left:
        if (!sameRow)
            return std::nullopt;
        along = key == Qt::Key_Right ? offset.x() : -offset.x();
        across = offset.y();
        break;
    case Qt::Key_Down:
    case Qt::Key_Up:
        if (!sameColumn)
            return std::nullopt;
        along = key == Qt::Key_Down ? offset.y() : -offset.y();
        across = offset.x();
        break;
    default:
        return std::nullopt;
    }
    if (along <= 0)
        return std::nullopt;
    return std::pair(along, std::abs(across));
}

// A ring around a tile. The tiles are flat command links, which the usual styles draw without any mark
// of focus; a solid ring shows keyboard users where they are, a dashed one marks the tile that reads the
// launcher's file. Clicks pass through it.
class TileRing : public QWidget
{
public:
    TileRing(QWidget *parent, Qt::PenStyle style) : QWidget(parent), m_style(style)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

    void surround(const QWidget *tile)
    {
        setGeometry(tile->geometry().adjusted(-kMargin, -kMargin, kMargin, kMargin));
        raise();
        show();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), kWidth, m_style));
        const qreal inset = kWidth / 2.0;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 6, 6);
    }

private:
    static constexpr int kMargin = 4;
    static constexpr int kWidth = 3;
    Qt::PenStyle m_style;
};

// Watches the tiles of one grid; owned by the window that holds them.
class TileKeys : public QObject
{
public:
    TileKeys(QWidget *owner, const QList<QAbstractButton *> &tiles)
        : QObject(owner), m_ring(new TileRing(owner, Qt::SolidLine))
    {
        for (QAbstractButton *tile : tiles)
            m_tiles.append(tile);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *tile = qobject_cast<QAbstractButton *>(watched);
        switch (event->type()) {
        case QEvent::FocusIn:
            // The ring shows once the keyboard is in use, so that the launcher opens and is clicked
            // looking as it always did.
            if (m_keyboard)
                m_ring->surround(tile);
            return false;
        case QEvent::FocusOut:
            m_ring->hide();
            return false;
        case QEvent::MouseButtonPress:
            m_keyboard = false;
            m_ring->hide();
            return false;
        case QEvent::KeyPress:
            m_keyboard = true;
            m_ring->surround(tile);
            return keyPressed(tile, static_cast<QKeyEvent *>(event));
        default:
            return false;
        }
    }

private:
    bool keyPressed(QAbstractButton *tile, const QKeyEvent *key)
    {
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A tile's own button handles Space; Return is left to default buttons, which tiles are not.
            tile->click();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: {
            QList<QRect> places;
            int from = -1;
            for (const QPointer<QAbstractButton> &t : std::as_const(m_tiles)) {
                if (t == tile)
                    from = int(places.size());
                places.append(t && t->isVisible() ? t->geometry() : QRect());
            }
            const int to = from < 0 ? -1 : tileInDirection(places, from, key->key());
            if (to >= 0)
                m_tiles[to]->setFocus(Qt::TabFocusReason);
            // At the grid's edge the focus stays where it is rather than leaving the grid.
            return true;
        }
        default:
            return false;
        }
    }

    QList<QPointer<QAbstractButton>> m_tiles;
    TileRing *m_ring;
    bool m_keyboard = false;
};

} // namespace

int tileInDirection(const QList<QRect> &places, int from, int key)
{
    if (from < 0 || from >= places.size())
        return -1;
    int best = -1;
    std::pair<int, int> bestStep(std::numeric_limits<int>::max(), 0);
    for (int i = 0; i < places.size(); ++i) {
        if (i == from || places[i].isNull())
            continue;
        const auto step = stepTo(places[from], places[i], key);
        if (step && *step < bestStep) {
            best = i;
            bestStep = *step;
        }
    }
    return best;
}

void markTile(QAbstractButton *tile)
{
    auto *ring = new TileRing(tile->parentWidget(), Qt::DashLine);
    ring->setObjectName(QStringLiteral("markedTileRing"));
    ring->surround(tile);
}

void makeTileGrid(QWidget *owner, const QList<QAbstractButton *> &tiles)
{
    auto *keys = new TileKeys(owner, tiles);
    QList<QAbstractButton *> reading = tiles;
    std::stable_sort(reading.begin(), reading.end(), [](QAbstractButton *a, QAbstractButton *b) {
        const QRect p = a->geometry();
        const QRect q = b->geometry();
        return p.top() != q.top() ? p.top() < q.top() : p.left() < q.left();
    });
    for (int i = 0; i < reading.size(); ++i) {
        reading[i]->installEventFilter(keys);
        if (i > 0)
            QWidget::setTabOrder(reading[i - 1], reading[i]);
    }
}

} // namespace brivo
