// Capturing the whole desktop as one picture.
#pragma once

#include <QImage>

namespace brivo {

// Captures every screen of the virtual desktop into one picture at the screens' real pixel size: each
// screen is grabbed at its device pixel ratio and placed where it stands in the desktop's layout. Returns
// a null image when the platform gives no picture (a Wayland session, the offscreen platform).
QImage captureDesktop();

} // namespace brivo
