#include "platform/desktopcapture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <algorithm>

namespace brivo {

QImage captureDesktop()
{
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return QImage();
    QList<ScreenPicture> screens;
    const QList<QScreen *> siblings = primary->virtualSiblings();
    for (QScreen *screen : siblings)
        screens.append({screen->geometry(), screen->grabWindow(0).toImage()});
    return composeDesktop(screens);
}

namespace {

QPoint scaled(const QPoint &point, qreal scale)
{
    return QPoint(qRound(point.x() * scale), qRound(point.y() * scale));
}

QSize scaled(const QSize &size, qreal scale)
{
    return QSize(qRound(size.width() * scale), qRound(size.height() * scale));
}

} // namespace

QImage composeDesktop(const QList<ScreenPicture> &screens)
{
    const bool anyPicture = std::any_of(screens.begin(), screens.end(),
                                        [](const ScreenPicture &screen) { return !screen.image.isNull(); });
    if (!anyPicture)
        return QImage();

    // A lone screen is its own picture. Mapping its size through the ratio and back would round a
    // fractional ratio (1.5 on a 1024 pixel wide screen) into a picture one pixel off.
    if (screens.size() == 1) {
        QImage only = screens.first().image;
        only.setDevicePixelRatio(1.0);
        return only;
    }

    qreal scale = 1.0;
    QRect bounds;
    for (const ScreenPicture &screen : screens) {
        if (!screen.image.isNull())
            scale = std::max(scale, screen.image.devicePixelRatio());
        bounds = bounds.united(screen.geometry);
    }

    // Each screen's place in device pixels. A screen at the common scale keeps its picture's own size,
    // for the same reason as above; the others are scaled by how much sharper the sharpest screen is.
    struct Placed
    {
        QRect target;
        const QImage *image;
    };
    QList<Placed> placed;
    QRect canvas;
    for (const ScreenPicture &screen : screens) {
        const QPoint topLeft = scaled(screen.geometry.topLeft() - bounds.topLeft(), scale);
        QSize size = scaled(screen.geometry.size(), scale);
        if (!screen.image.isNull())
            size = scaled(screen.image.size(), scale / screen.image.devicePixelRatio());
        const QRect target(topLeft, size);
        canvas = canvas.united(target);
        if (!screen.image.isNull())
            placed.append({target, &screen.image});
    }

    QImage desktop(canvas.size(), QImage::Format_RGB32);
    desktop.fill(Qt::black);
    QPainter painter(&desktop);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(-canvas.topLeft());
    // With a source rectangle the picture is addressed in its own pixels, whatever its ratio says.
    for (const Placed &screen : placed)
        painter.drawImage(QRectF(screen.target), *screen.image, QRectF(screen.image->rect()));
    painter.end();
    return desktop;
}

} // namespace brivo
