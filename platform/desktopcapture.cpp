#include "platform/desktopcapture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointF>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace brivo {

DesktopPicture captureDesktopPicture()
{
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return {};
    QList<ScreenPicture> screens;
    const QList<QScreen *> siblings = primary->virtualSiblings();
    for (QScreen *screen : siblings)
        screens.append({screen->geometry(), screen->grabWindow(0).toImage()});
    return composeDesktop(screens);
}

QImage captureDesktop()
{
    return captureDesktopPicture().image;
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

// How far `point` lies outside `rect` (zero inside it).
qreal distance(const QRectF &rect, const QPointF &point)
{
    const qreal dx = std::max({rect.left() - point.x(), 0.0, point.x() - rect.right()});
    const qreal dy = std::max({rect.top() - point.y(), 0.0, point.y() - rect.bottom()});
    return std::hypot(dx, dy);
}

// The screen that holds `point`, or the nearest one; `area` gives a screen's rectangle in the point's
// coordinates. Null when there are no screens.
const DesktopPicture::Screen *screenFor(const QList<DesktopPicture::Screen> &screens, const QPointF &point,
                                        QRectF (*area)(const DesktopPicture::Screen &))
{
    const DesktopPicture::Screen *nearest = nullptr;
    qreal best = 0;
    for (const DesktopPicture::Screen &screen : screens) {
        const qreal d = distance(area(screen), point);
        if (!nearest || d < best) {
            nearest = &screen;
            best = d;
        }
    }
    return nearest;
}

QRectF logicalArea(const DesktopPicture::Screen &screen)
{
    return QRectF(screen.geometry.topLeft(), QSizeF(screen.geometry.size()));
}

QRectF nativeArea(const DesktopPicture::Screen &screen)
{
    return QRectF(screen.geometry.topLeft(), QSizeF(screen.nativeSize));
}

// `point`, counted from `origin` in units of which `from` make up the screen, in the picture's pixels.
QPointF onScreen(const DesktopPicture::Screen &screen, const QPointF &point, const QSize &from)
{
    const QPointF offset = point - QPointF(screen.geometry.topLeft());
    return QPointF(screen.pixels.left() + offset.x() * screen.pixels.width() / std::max(from.width(), 1),
                   screen.pixels.top() + offset.y() * screen.pixels.height() / std::max(from.height(), 1));
}

QPoint clampedTo(const QImage &image, const QPointF &point)
{
    return QPoint(std::clamp(qRound(point.x()), 0, image.width()),
                  std::clamp(qRound(point.y()), 0, image.height()));
}

} // namespace

QPoint DesktopPicture::pixelAt(const QPointF &point) const
{
    const Screen *screen = screenFor(screens, point, logicalArea);
    if (!screen)
        return {};
    return clampedTo(image, onScreen(*screen, point, screen->geometry.size()));
}

QRect DesktopPicture::fromNative(const QRect &native) const
{
    // Both corners are measured on the screen that holds the middle of the window, so that a window
    // reaching into a neighbouring screen keeps its shape.
    const Screen *screen = screenFor(screens, QRectF(native).center(), nativeArea);
    if (!screen || native.isEmpty())
        return {};
    const QPoint topLeft = clampedTo(image, onScreen(*screen, native.topLeft(), screen->nativeSize));
    const QPoint bottomRight =
        clampedTo(image, onScreen(*screen, native.topLeft() + QPoint(native.width(), native.height()),
                                  screen->nativeSize));
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
}

DesktopPicture composeDesktop(const QList<ScreenPicture> &screens)
{
    DesktopPicture picture;
    const bool anyPicture = std::any_of(screens.begin(), screens.end(),
                                        [](const ScreenPicture &screen) { return !screen.image.isNull(); });
    if (!anyPicture)
        return picture;

    // A lone screen is its own picture. Mapping its size through the ratio and back would round a
    // fractional ratio (1.5 on a 1024 pixel wide screen) into a picture one pixel off.
    if (screens.size() == 1) {
        picture.image = screens.first().image;
        picture.image.setDevicePixelRatio(1.0);
        picture.screens.append({screens.first().geometry, picture.image.size(), picture.image.rect()});
        return picture;
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
    QRect canvas;
    for (const ScreenPicture &screen : screens) {
        const QPoint topLeft = scaled(screen.geometry.topLeft() - bounds.topLeft(), scale);
        QSize size = scaled(screen.geometry.size(), scale);
        QSize nativeSize = screen.geometry.size();
        if (!screen.image.isNull()) {
            size = scaled(screen.image.size(), scale / screen.image.devicePixelRatio());
            nativeSize = screen.image.size();
        }
        const QRect target(topLeft, size);
        canvas = canvas.united(target);
        picture.screens.append({screen.geometry, nativeSize, target});
    }
    for (DesktopPicture::Screen &screen : picture.screens)
        screen.pixels.translate(-canvas.topLeft());

    picture.image = QImage(canvas.size(), QImage::Format_RGB32);
    picture.image.fill(Qt::black);
    QPainter painter(&picture.image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // With a source rectangle the picture is addressed in its own pixels, whatever its ratio says.
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QImage &image = screens.at(i).image;
        if (!image.isNull())
            painter.drawImage(QRectF(picture.screens.at(i).pixels), image, QRectF(image.rect()));
    }
    painter.end();
    return picture;
}

} // namespace brivo
