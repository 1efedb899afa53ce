// What a page may load from the local disk: the line between showing a page's own files and letting its
// scripts read the user's.
#pragma once

#include "brivo_web_export.h"

#include <QWebEngineUrlRequestInterceptor>

class QUrl;

namespace brivo {

class LocalFileServer;

// Whether the engine may load the local file `target` (a file: address or a local page's, see localpages.h)
// for the page at `page` (the top-level page's address) as a resource of `type`. A new page (a navigation)
// may be any local file. A request that hands a script the file's bytes (XMLHttpRequest, fetch) is refused.
// A frame or object may show only an HTML page in the page's own folder or below it, once links are
// followed; pictures, style sheets, scripts, fonts, media and workers load from the page's folder or below
// it only, each from a file of its kind by name (no JSON as a script), and never for a page that is not
// local. A file: address is only ever a navigation, the font address only a font. A local page loads
// nothing from the web. Other addresses are not judged here.
BRIVO_WEB_EXPORT bool localFileLoadAllowed(const QUrl &page, const QUrl &target,
                                           QWebEngineUrlRequestInfo::ResourceType type);

// Applies localFileLoadAllowed to every request of the profile it is installed on, and sends each local file
// to the address it is served under: a navigation to a file: address to the local page's, a font to the
// font address, a picture, style sheet, classic script or media to LocalFileServer (where the engine
// keeps them from the page's scripts). A page from the web cannot navigate to a local file.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    // A page's own pictures, style sheets, classic scripts and media are sent to `server`, when it listens.
    explicit LocalFileGuard(LocalFileServer *server, QObject *parent = nullptr);
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    LocalFileServer *m_server;
};

} // namespace brivo
