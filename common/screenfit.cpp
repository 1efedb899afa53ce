#include "common/screenfit.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace brivo {

QRect fittedGeometry(const QRect &inside, const QMargins &frame, const QRect &available, const QSize &minimum)
{
    const QRect outside = inside.marginsAdded(frame);
    if (available.isEmpty() || available.contains(outside))
        return inside;
    QSize size = inside.size();
    size.rwidth() -= qMax(0, outside.width() - available.width());
    size.rheight() -= qMax(0, outside.height() - available.height());
    size = size.expandedTo(minimum);
    QRect fitted(inside.topLeft(), size);
    // Then moved in, the frame's top left corner last, so that the title bar stays reachable.
    QRect framed = fitted.marginsAdded(frame);
    framed.moveRight(qMin(framed.right(), available.right()));
    framed.moveBottom(qMin(framed.bottom(), available.bottom()));
    framed.moveLeft(qMax(framed.left(), available.left()));
    framed.moveTop(qMax(framed.top(), available.top()));
    fitted.moveTopLeft(framed.topLeft() + QPoint(frame.left(), frame.top()));
    return fitted;
}

namespace {

// Watches one window from its first showing until its frame is known, for a few seconds at most. A window
// whose size changes meanwhile by any other hand (the user, the program) is left alone from then on.
class ScreenFitter : public QObject
{
public:
    explicit ScreenFitter(QWidget *window) : QObject(window), m_window(window)
    {
        m_poll.setInterval(50);
        connect(&m_poll, &QTimer::timeout, this, &ScreenFitter::check);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_shown.isValid()) {
            m_shown.start();
            m_size = m_window->size();
            m_poll.start();
            check();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void check()
    {
        QWidget *window = m_window;
        if (!window || !window->isVisible() || window->isFullScreen() || window->isMaximized() ||
            window->size() != m_size)
            return finish();
        const QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
        const QRect inside = window->geometry();
        const QRect fitted =
            fittedGeometry(inside, frame, window->screen()->availableGeometry(), window->minimumSize());
        if (fitted != inside) {
            window->setGeometry(fitted);
            m_size = fitted.size();
        }
        // A window manager frames a window within moments of its showing; one that has not after two
        // seconds draws none.
        if (!frame.isNull() || m_shown.elapsed() > 2000)
            finish();
    }

    void finish()
    {
        m_poll.stop();
        if (m_window)
            m_window->removeEventFilter(this);
        deleteLater();
    }

    QPointer<QWidget> m_window;
    QTimer m_poll;
    QElapsedTimer m_shown;
    QSize m_size; // the size the window opened with, or that it was fitted to
};

} // namespace

void keepOnScreen(QWidget *window)
{
    window->installEventFilter(new ScreenFitter(window));
}

} // namespace brivo
