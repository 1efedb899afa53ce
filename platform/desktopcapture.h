// Capturing the whole desktop as one picture, and finding the windows on it.
#pragma once

#include "brivo_core_export.h"

#include <QImage>
#include <QList>
#include <QRect>

#include <optional>

class QPointF;

namespace brivo {

// A picture of the whole desktop, and where each screen lies in it.
struct BRIVO_CORE_EXPORT DesktopPicture
{
    struct Screen
    {
        QRect geometry;   // the screen in the desktop's device-independent coordinates
        QSize nativeSize; // its size in the window system's own pixels
        QRect pixels;     // where it lies in `image`
    };

    QImage image; // device pixel ratio 1; null when the platform gave no picture
    QList<Screen> screens;

    // The corner of the picture's pixels at the desktop point `point` (device-independent, global),
    // measured on the screen that holds it, or on the nearest screen when none does; within the picture
    // (the right and bottom edges included, as a corner may lie there).
    QPoint pixelAt(const QPointF &point) const;
    // The rectangle `native`, given in the window system's own pixels (an X11 window's frame), in the
    // picture's pixels, clipped to the picture. A window system keeps each screen's top left corner
    // where the device-independent coordinates have it and counts its own pixels from there.
    QRect fromNative(const QRect &native) const;
};

// Captures every screen of the primary screen's virtual desktop into one picture at the screens' real
// pixel size: each screen is grabbed at its device pixel ratio and placed where it stands in the
// desktop's layout. Screens of another virtual desktop (a second X screen) are left out: they have a
// coordinate space of their own and would be drawn over this one. The image is null when the platform
// gives no picture (a Wayland session, for one).
DesktopPicture captureDesktopPicture();

// The picture alone.
BRIVO_CORE_EXPORT QImage captureDesktop();

// One screen of a desktop: where it stands, in the desktop's device-independent coordinates, and what it
// showed, in device pixels (the image's device pixel ratio says how many per coordinate). A screen the
// platform could not grab has a null image.
struct ScreenPicture
{
    QRect geometry;
    QImage image;
};

// Lays the screens' pictures out as one desktop picture with a device pixel ratio of 1. The largest
// ratio among the screens sets the scale, so the sharpest screen keeps every pixel and the others are
// scaled up to match; a lone screen comes back pixel for pixel. Parts of the desktop's bounding box that
// no screen covers, and screens without a picture, are black. The image is null when no screen has a
// picture.
BRIVO_CORE_EXPORT DesktopPicture composeDesktop(const QList<ScreenPicture> &screens);

// The frames of the windows shown on the desktop, in the window system's own pixels, topmost first.
// Nothing (no list at all) where the window system does not tell programs about other windows: only
// X11 does.
std::optional<QList<QRect>> desktopWindowFrames();

} // namespace brivo
