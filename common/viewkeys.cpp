#include "common/viewkeys.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace brivo {

namespace {

// Watches the controls of one view; owned by the view.
class ClickReturnsKeys : public QObject
{
public:
    explicit ClickReturnsKeys(QWidget *view) : QObject(view), m_view(view) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The release is seen before the control acts on it, so the view has the keyboard even when the
        // click's own action (a page turn, a full-screen switch) looks for the focus.
        if (event->type() == QEvent::MouseButtonRelease && m_view && m_view->isEnabled())
            m_view->setFocus(Qt::MouseFocusReason);
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_view;
};

// Watches the window of one view until it has been shown and made active once; owned by the view.
class FocusOnOpen : public QObject
{
public:
    explicit FocusOnOpen(QWidget *view) : QObject(view), m_view(view) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::WindowActivate) && m_view && m_view->isEnabled()) {
            m_view->setFocus(Qt::ActiveWindowFocusReason);
            if (type == QEvent::WindowActivate)
                watched->removeEventFilter(this);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_view;
};

bool isControl(const QWidget *widget)
{
    return qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QAbstractSlider *>(widget);
}

} // namespace

void keepKeysOnView(QWidget *view, const QList<QWidget *> &controls)
{
    auto *watcher = new ClickReturnsKeys(view);
    for (QWidget *top : controls) {
        QList<QWidget *> widgets = top->findChildren<QWidget *>();
        widgets.prepend(top);
        for (QWidget *widget : std::as_const(widgets)) {
            if (!isControl(widget))
                continue;
            widget->setFocusPolicy(Qt::TabFocus);
            widget->installEventFilter(watcher);
        }
    }
    focusOnOpen(view);
}

void focusOnOpen(QWidget *view)
{
    view->setFocus(Qt::OtherFocusReason);
    view->window()->installEventFilter(new FocusOnOpen(view));
}

} // namespace brivo
