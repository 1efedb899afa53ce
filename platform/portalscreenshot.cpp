#include "platform/portalscreenshot.h"

#include <QImageReader>
#include <QMetaObject>
#include <QUrl>

#ifdef BRIVO_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace brivo {

#ifdef BRIVO_HAVE_DBUS

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

} // namespace

PortalScreenshot::PortalScreenshot(QObject *parent) : QObject(parent) {}

void PortalScreenshot::start(bool interactive)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        finish({}, tr("there is no session bus to ask the desktop portal on"));
        return;
    }
    // The portal answers on a request object whose path the caller can know in advance: listening there
    // before asking means no answer can come before anyone listens.
    static int counter = 0;
    const QString token = QStringLiteral("brivo%1").arg(++counter);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_requestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    bus.connect(kService, m_requestPath, kRequest, QStringLiteral("Response"), this,
                SLOT(response(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), interactive},
                        {QStringLiteral("modal"), true}};
    // Only the request is bounded in time: the answer waits for the user where the portal asks them.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            finish({}, tr("no desktop portal answers on this session (%1)").arg(reply.error().message()));
            return;
        }
        // An older portal chooses the path itself: listen there instead.
        const QString path = reply.value().path();
        if (path != m_requestPath) {
            QDBusConnection bus = QDBusConnection::sessionBus();
            bus.disconnect(kService, m_requestPath, kRequest, QStringLiteral("Response"), this,
                           SLOT(response(uint, QVariantMap)));
            m_requestPath = path;
            bus.connect(kService, path, kRequest, QStringLiteral("Response"), this,
                        SLOT(response(uint, QVariantMap)));
        }
    });
}

void PortalScreenshot::response(uint code, const QVariantMap &results)
{
    if (code == 1) {
        finish({}, tr("the screenshot was cancelled"));
        return;
    }
    if (code != 0) {
        finish({}, tr("the desktop portal could not take the screenshot"));
        return;
    }
    const QString path = QUrl(results.value(QStringLiteral("uri")).toString()).toLocalFile();
    QImageReader reader(path);
    QImage picture = reader.read();
    if (picture.isNull()) {
        finish({}, tr("the picture the desktop portal made could not be read: %1").arg(reader.errorString()));
        return;
    }
    finish(picture.convertToFormat(QImage::Format_RGB32), QString());
}

#else

PortalScreenshot::PortalScreenshot(QObject *parent) : QObject(parent) {}

void PortalScreenshot::start(bool)
{
    finish({}, tr("this build of Brivo cannot ask a desktop portal"));
}

void PortalScreenshot::response(uint, const QVariantMap &) {}

#endif

void PortalScreenshot::finish(const QImage &picture, const QString &error)
{
    if (m_done)
        return;
    m_done = true;
#ifdef BRIVO_HAVE_DBUS
    QDBusConnection::sessionBus().disconnect(kService, m_requestPath, kRequest, QStringLiteral("Response"),
                                             this, SLOT(response(uint, QVariantMap)));
#endif
    // Queued, so that the caller's start() has returned before it hears the answer.
    QMetaObject::invokeMethod(
        this, [this, picture, error] { emit finished(picture, error); }, Qt::QueuedConnection);
}

} // namespace brivo
