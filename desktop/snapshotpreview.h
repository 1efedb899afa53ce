// The snapshot window's preview: the capture fitted to the window.
#pragma once

#include "brivo_core_export.h"

#include <QtGlobal>

class QPixmap;
class QSize;

namespace brivo {

// `capture` scaled, keeping its aspect ratio and with fast (unsmoothed) scaling, to fit within the
// window's size less 30 pixels across and 100 down, which leaves room for the margins and the control
// row. The result is drawn at `devicePixelRatio` so that it stays sharp on a high-density screen; its
// size in device-independent pixels fits the box. Null when the box or the fitted picture is empty, or
// when there is no capture.
BRIVO_CORE_EXPORT QPixmap scaledPreview(const QPixmap &capture, const QSize &windowSize,
                                        qreal devicePixelRatio);

} // namespace brivo
