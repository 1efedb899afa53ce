#include "platform/desktopcapture.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace brivo {

QImage captureDesktop()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return QImage();

    // The largest device pixel ratio decides the scale of the whole picture, so no screen loses pixels.
    qreal scale = 1.0;
    QRect virtualGeometry;
    for (const QScreen *screen : screens) {
        scale = std::max(scale, screen->devicePixelRatio());
        virtualGeometry = virtualGeometry.united(screen->geometry());
    }

    struct Grab
    {
        QImage image;
        QRect target;
    };
    QList<Grab> grabs;
    for (QScreen *screen : screens) {
        const QPixmap shot = screen->grabWindow(0);
        if (shot.isNull())
            continue;
        const QRect g = screen->geometry().translated(-virtualGeometry.topLeft());
        const QRect target(qRound(g.x() * scale), qRound(g.y() * scale), qRound(g.width() * scale),
                           qRound(g.height() * scale));
        grabs.append({shot.toImage(), target});
    }
    if (grabs.isEmpty())
        return QImage();
    if (grabs.size() == 1 && grabs.first().target.topLeft().isNull() &&
        grabs.first().image.size() == grabs.first().target.size()) {
        QImage only = grabs.first().image;
        only.setDevicePixelRatio(1.0);
        return only;
    }

    QImage desktop(qRound(virtualGeometry.width() * scale), qRound(virtualGeometry.height() * scale),
                   QImage::Format_RGB32);
    desktop.fill(Qt::black);
    QPainter painter(&desktop);
    for (Grab &grab : grabs) {
        grab.image.setDevicePixelRatio(1.0);
        if (grab.image.size() == grab.target.size())
            painter.drawImage(grab.target.topLeft(), grab.image);
        else
            painter.drawImage(grab.target, grab.image);
    }
    painter.end();
    return desktop;
}

} // namespace brivo
