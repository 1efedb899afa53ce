// Capturing the whole desktop as one picture.
#pragma once

#include <QImage>
#include <QList>
#include <QRect>

namespace brivo {

// Captures every screen of the primary screen's virtual desktop into one picture at the screens' real
// pixel size: each screen is grabbed at its device pixel ratio and placed where it stands in the
// desktop's layout. Screens of another virtual desktop (a second X screen) are left out: they have a
// coordinate space of their own and would be drawn over this one. Returns a null image when the platform
// gives no picture (a Wayland session, for one).
QImage captureDesktop();

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
// no screen covers, and screens without a picture, are black. Null when no screen has a picture.
QImage composeDesktop(const QList<ScreenPicture> &screens);

} // namespace brivo
