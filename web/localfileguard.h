// What a page may load from the local disk: the line between showing a page's own files and letting its
// scripts read the user's.
#pragma once

#include "brivo_web_export.h"

#include <QWebEngineUrlRequestInterceptor>

class QUrl;

namespace brivo {

// Whether the engine may load the local file `target` for the page at `page` (the top-level page's address)
// as a resource of `type`. A new page (a navigation) may be any local file. A request that hands a script
// the file's bytes (XMLHttpRequest, fetch) is refused. A frame or object may show only an HTML page in the
// page's own folder or below it, once links are followed; pictures, style sheets, scripts, fonts, media
// and workers load from the page's folder or below it only, each from a file of its kind by name (no
// JSON as a script), and never for a page that is not local.
// Addresses that are not local files are not judged here.
BRIVO_WEB_EXPORT bool localFileLoadAllowed(const QUrl &page, const QUrl &target,
                                           QWebEngineUrlRequestInfo::ResourceType type);

// Applies localFileLoadAllowed to every request of the profile it is installed on.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
};

} // namespace brivo
