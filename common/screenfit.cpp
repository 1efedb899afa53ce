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

// Watches one window from its first showing until its frame is known, for a few seconds at most.
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
        switch (event->type()) {
        case QEvent::Show:
            if (!m_shown.isValid()) {
                m_shown.start();
                m_poll.start();
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (m_shown.isValid())
                QTimer::singleShot(0, this, &ScreenFitter::check);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void check()
    {
        QWidget *window = m_window;
        if (!window || !window->isVisible() || window->isFullScreen() || window->isMaximized())
            return finish();
        const QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
        const QRect inside = window->geometry();
        const QRect fitted = fittedGeometry(inside, frame, window->screen()->availableGeometry(),
                                            window->minimumSize());
        if (fitted != inside)
            window->setGeometry(fitted);
        // A window manager frames a window within moments of its showing; one that has not after a few
        // seconds draws none.
        if (!frame.isNull() || m_shown.elapsed() > 3000)
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
};

} // namespace

void keepOnScreen(QWidget *window)
{
    window->installEventFilter(new ScreenFitter(window));
}

} // namespace brivo
