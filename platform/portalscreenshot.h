// A picture of the screen from the desktop portal (org.freedesktop.portal.Screenshot over D-Bus), which is
// how a program gets one where the window system keeps the screen to itself, as Wayland desktops do.
#pragma once

#include "brivo_core_export.h"

#include <QImage>
#include <QObject>
#include <QString>

namespace brivo {

// One request to the portal. The portal may show a dialog of its own (it does when the request is
// interactive), so the answer comes whenever the user is done with it.
class BRIVO_CORE_EXPORT PortalScreenshot : public QObject
{
    Q_OBJECT
public:
    explicit PortalScreenshot(QObject *parent = nullptr);

    // Asks for a picture of the whole screen; `interactive` lets the portal's dialog choose what to take.
    // Ends in finished() exactly once, never before the event loop runs again.
    void start(bool interactive);

signals:
    // The picture, or a null image with what went wrong in words (no portal answers on this session, the
    // user cancelled, the file it named could not be read).
    void finished(const QImage &picture, const QString &error);

private slots:
    void response(uint code, const QVariantMap &results);

private:
    void finish(const QImage &picture, const QString &error);

    QString m_requestPath;
    bool m_done = false;
};

} // namespace brivo
