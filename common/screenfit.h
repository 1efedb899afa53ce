// Keeping a window on its screen: a window that opens larger than the screen's free area, counting the
// frame the window manager puts around it, is shrunk and moved until the whole frame fits.
#pragma once

#include "brivo_core_export.h"

#include <QMargins>
#include <QRect>

class QWidget;

namespace brivo {

// Where a window whose inside is `inside` and whose frame adds `frame` around it goes so that the frame
// lies within `available`: the inside is shrunk by what the frame overhangs, never below `minimum`, and
// then moved in. A window that fits already is left where it is.
BRIVO_CORE_EXPORT QRect fittedGeometry(const QRect &inside, const QMargins &frame, const QRect &available,
                                       const QSize &minimum = QSize());

// Fits `window`, a top-level window, to its screen's available area once it is shown and framed. The
// frame is known only after the window manager has put it around the shown window, so the window is
// checked as it appears and again as the frame arrives; what the user does to it afterwards is left alone.
BRIVO_CORE_EXPORT void keepOnScreen(QWidget *window);

} // namespace brivo
