// Choosing part of a frozen picture of the desktop: a rectangle dragged out, or a window clicked.
#pragma once

#include "brivo_core_export.h"

#include "platform/desktopcapture.h"

#include <QObject>
#include <QPoint>

class RegionOverlay;

class BRIVO_CORE_EXPORT RegionPicker : public QObject
{
    Q_OBJECT
public:
    enum class Mode
    {
        Region, // drag a rectangle; Return or a double-click takes it
        Window, // click a window to take it
    };

    // Shows `picture` frozen and full screen on every screen it covers. `windows` are the frames that
    // Window mode offers, in the picture's pixels, topmost first. Escape cancels in either mode.
    RegionPicker(const brivo::DesktopPicture &picture, Mode mode, const QList<QRect> &windows,
                 QObject *parent = nullptr);
    // Takes the overlays off the screens.
    ~RegionPicker() override;

    // The part chosen so far, in the picture's pixels; empty when there is none.
    QRect selection() const { return m_selection; }
    // The overlays, one per screen.
    const QList<RegionOverlay *> &overlays() const { return m_overlays; }

    // Ends the choice as Escape does.
    void cancel();

signals:
    // The user took `pixels`, a non-empty part of the picture. The overlays are already hidden.
    void picked(const QRect &pixels);
    // The user gave up. The overlays are already hidden.
    void cancelled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pointerMoved(const QPoint &pixel);
    void pointerPressed(const QPoint &pixel);
    void pointerReleased(const QPoint &pixel);
    void take();
    void finish();
    void setSelection(const QRect &pixels);

    brivo::DesktopPicture m_picture;
    Mode m_mode;
    QList<QRect> m_windows;
    QList<RegionOverlay *> m_overlays;
    QRect m_selection;
    QPoint m_anchor;
    // Dragging out a new rectangle, or moving the chosen one (then `m_anchor` is where the pointer took it).
    enum class Drag
    {
        None,
        Draw,
        Move,
    } m_drag = Drag::None;
    // The overlay that takes the keyboard, on the screen under the pointer.
    RegionOverlay *m_keyboardOverlay = nullptr;
    bool m_keyboardGrabbed = false;
    bool m_finished = false;
};
