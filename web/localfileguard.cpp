#include "web/localfileguard.h"

#include <QFileInfo>
#include <QUrl>

namespace brivo {

namespace {

bool isHtmlPage(const QString &path)
{
    return path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".xhtml"), Qt::CaseInsensitive);
}

// True when `path`, its links followed, lies in `folder` or below it. A link named like a page of the folder
// that points elsewhere is judged by where it points.
bool liesBelow(const QString &path, const QString &folder)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (target.isEmpty() || root.isEmpty())
        return false;
    return target.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

} // namespace

// The engine's own switch for local file access is all or nothing: off, a page cannot even load the
// pictures and style sheets beside it; on, every local page shares one origin and its scripts may read any
// local file. It stays on, and the line is drawn here, by the kind of request.
bool localFileLoadAllowed(const QUrl &page, const QUrl &target, QWebEngineUrlRequestInfo::ResourceType type)
{
    if (!target.isLocalFile())
        return true;
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        return true;
    case QWebEngineUrlRequestInfo::ResourceTypeXhr:
        return false;
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
    case QWebEngineUrlRequestInfo::ResourceTypeObject:
    case QWebEngineUrlRequestInfo::ResourceTypePluginResource: {
        // A frame's document is open to the page's scripts: only the pages of its own site may sit in one.
        const QString path = target.toLocalFile();
        return page.isLocalFile() && isHtmlPage(path) &&
               liesBelow(path, QFileInfo(page.toLocalFile()).absolutePath());
    }
    default:
        return true;
    }
}

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!localFileLoadAllowed(info.firstPartyUrl(), info.requestUrl(), info.resourceType()))
        info.block(true);
}

} // namespace brivo
