#include "desktop/regionpicker.h"

#include "desktop/regionoverlay.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

RegionPicker::RegionPicker(const brivo::DesktopPicture &picture, Mode mode, const QList<QRect> &windows,
                           QObject *parent)
    : QObject(parent), m_picture(picture), m_mode(mode), m_windows(windows)
{
    const QString hint = mode == Mode::Region
                             ? tr("Drag a rectangle. Return or a double-click takes it, Escape cancels.")
                             : tr("Click a window to take it. Escape cancels.");
    const QPoint pointer = QCursor::pos();
    RegionOverlay *underPointer = nullptr;
    for (const brivo::DesktopPicture::Screen &screen : std::as_const(m_picture.screens)) {
        if (screen.pixels.isEmpty())
            continue;
        auto *overlay = new RegionOverlay(m_picture.image, screen, hint);
        overlay->installEventFilter(this);
        if (QScreen *shown = QGuiApplication::screenAt(screen.geometry.center()))
            overlay->setScreen(shown);
        overlay->showFullScreen();
        m_overlays.append(overlay);
        if (!underPointer || screen.geometry.contains(pointer))
            underPointer = overlay;
    }
    // Escape and Return go to the screen the user is looking at.
    if (underPointer) {
        underPointer->raise();
        underPointer->activateWindow();
        underPointer->setFocus();
    }
    m_keyboardOverlay = underPointer;
    if (m_mode == Mode::Window)
        pointerMoved(m_picture.pixelAt(pointer));
}

RegionPicker::~RegionPicker()
{
    qDeleteAll(m_overlays);
}

void RegionPicker::cancel()
{
    if (m_finished)
        return;
    finish();
    emit cancelled();
}

bool RegionPicker::eventFilter(QObject *watched, QEvent *event)
{
    if (m_finished || !m_overlays.contains(watched))
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        // Once it is on the screen, the overlay takes the keyboard, so that Escape and Return reach it
        // even where the window manager did not give it the focus.
        if (watched == m_keyboardOverlay && !m_keyboardGrabbed) {
            m_keyboardOverlay->grabKeyboard();
            m_keyboardGrabbed = true;
        }
        return false;
    case QEvent::MouseMove:
        pointerMoved(m_picture.pixelAt(static_cast<QMouseEvent *>(event)->globalPosition()));
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        const QPoint pixel = m_picture.pixelAt(mouse->globalPosition());
        if (event->type() == QEvent::MouseButtonPress)
            pointerPressed(pixel);
        else if (event->type() == QEvent::MouseButtonRelease)
            pointerReleased(pixel);
        else if (m_mode == Mode::Region && m_selection.contains(pixel))
            take();
        return true;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape)
            cancel();
        else if (key == Qt::Key_Return || key == Qt::Key_Enter)
            take();
        return true;
    }
    case QEvent::Close:
        // Closed by the window manager: the user gave up. The overlay is hidden, never closed, so that
        // it is never taken for the program's last window.
        event->ignore();
        cancel();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

void RegionPicker::pointerPressed(const QPoint &pixel)
{
    if (m_mode != Mode::Region)
        return;
    // Taking the chosen rectangle inside moves it; anywhere else a new one begins.
    if (m_selection.contains(pixel)) {
        m_drag = Drag::Move;
        m_anchor = pixel - m_selection.topLeft();
    } else {
        m_drag = Drag::Draw;
        m_anchor = pixel;
        setSelection(QRect());
    }
}

void RegionPicker::pointerMoved(const QPoint &pixel)
{
    if (m_mode == Mode::Window) {
        // The topmost window under the pointer, as much of it as the desktop shows.
        const auto under = std::find_if(m_windows.cbegin(), m_windows.cend(),
                                        [&](const QRect &frame) { return frame.contains(pixel); });
        setSelection(under == m_windows.cend() ? QRect() : under->intersected(m_picture.image.rect()));
        return;
    }
    if (m_drag == Drag::Draw) {
        const QPoint topLeft(std::min(pixel.x(), m_anchor.x()), std::min(pixel.y(), m_anchor.y()));
        setSelection(
            QRect(topLeft, QSize(std::abs(pixel.x() - m_anchor.x()), std::abs(pixel.y() - m_anchor.y()))));
    } else if (m_drag == Drag::Move) {
        QRect moved = m_selection;
        const QSize room = m_picture.image.size() - m_selection.size();
        moved.moveTopLeft(QPoint(std::clamp(pixel.x() - m_anchor.x(), 0, room.width()),
                                 std::clamp(pixel.y() - m_anchor.y(), 0, room.height())));
        setSelection(moved);
    }
}

void RegionPicker::pointerReleased(const QPoint &pixel)
{
    pointerMoved(pixel);
    m_drag = Drag::None;
    if (m_mode == Mode::Window)
        take();
}

void RegionPicker::take()
{
    if (m_selection.isEmpty())
        return;
    finish();
    emit picked(m_selection);
}

void RegionPicker::finish()
{
    m_finished = true;
    if (m_keyboardGrabbed)
        m_keyboardOverlay->releaseKeyboard();
    for (RegionOverlay *overlay : std::as_const(m_overlays))
        overlay->hide();
}

void RegionPicker::setSelection(const QRect &pixels)
{
    m_selection = pixels;
    const QString label =
        pixels.isEmpty() ? QString() : tr("%1 × %2").arg(pixels.width()).arg(pixels.height());
    for (RegionOverlay *overlay : std::as_const(m_overlays))
        overlay->setMarked(pixels, label);
}
