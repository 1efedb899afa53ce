#include "desktop/snapshotpreview.h"

#include <QPixmap>
#include <QSize>

namespace brivo {

QPixmap scaledPreview(const QPixmap &capture, const QSize &windowSize, qreal devicePixelRatio)
{
    const QSize box(windowSize.width() - 30, windowSize.height() - 100);
    if (capture.isNull() || box.isEmpty())
        return QPixmap();
    const QSize fitted = capture.size().scaled(box, Qt::KeepAspectRatio);
    if (fitted.isEmpty())
        return QPixmap();
    // Scaled to whole device pixels, from the capture itself every time, never from an earlier preview.
    const QSize pixels = (QSizeF(fitted) * devicePixelRatio).toSize();
    QPixmap preview = capture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    preview.setDevicePixelRatio(devicePixelRatio);
    return preview;
}

} // namespace brivo
