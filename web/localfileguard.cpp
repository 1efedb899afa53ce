#include "web/localfileguard.h"

#include "web/localfileserver.h"
#include "web/localpages.h"

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

// Whether a file named `path` is of a kind a page loads as a resource of `type`: its own scripts, style
// sheets, pictures, fonts, media and subtitles, by their names: a page loads what pages are made of, not a
// user's other files, even where the engine would keep their bytes from its scripts.
bool fitsType(const QString &path, QWebEngineUrlRequestInfo::ResourceType type)
{
    using Info = QWebEngineUrlRequestInfo;
    static const QStringList scripts{"js", "mjs"}, styles{"css"},
        pictures{"png", "jpg", "jpeg", "gif", "webp", "svg", "bmp", "ico", "avif"},
        fonts{"woff", "woff2", "ttf", "otf"},
        media{"mp3", "mp4", "m4a", "webm", "ogg", "oga", "ogv", "opus", "wav", "flac", "vtt", "srt"};
    const QString suffix = QFileInfo(path).suffix().toLower();
    switch (type) {
    case Info::ResourceTypeScript:
    case Info::ResourceTypeWorker:
    case Info::ResourceTypeSharedWorker:
    case Info::ResourceTypeServiceWorker:
        return scripts.contains(suffix);
    case Info::ResourceTypeStylesheet:
        return styles.contains(suffix);
    case Info::ResourceTypeImage:
    case Info::ResourceTypeFavicon:
        return pictures.contains(suffix);
    case Info::ResourceTypeFontResource:
        return fonts.contains(suffix);
    case Info::ResourceTypeMedia:
        return media.contains(suffix);
    default:
        return scripts.contains(suffix) || styles.contains(suffix) || pictures.contains(suffix) ||
               fonts.contains(suffix) || media.contains(suffix);
    }
}

// The resources a page shows without reading them: the engine loads them from another origin and keeps
// them from the page's scripts. (A module script asks to read; it gets nothing from the server.)
bool servedOverHttp(QWebEngineUrlRequestInfo::ResourceType type)
{
    using Info = QWebEngineUrlRequestInfo;
    return type == Info::ResourceTypeImage || type == Info::ResourceTypeFavicon ||
           type == Info::ResourceTypeStylesheet || type == Info::ResourceTypeScript ||
           type == Info::ResourceTypeMedia;
}

bool isRemote(const QUrl &url)
{
    static const QStringList schemes{"http", "https", "ws", "wss"};
    return schemes.contains(url.scheme().toLower());
}

} // namespace

// Local pages are shown under addresses of their own (localPageUrl), each page an origin of its own, so the
// engine keeps their scripts from reading what they load. What they may load at all is drawn here: by the
// kind of request, by folder and by the kind of file.
bool localFileLoadAllowed(const QUrl &page, const QUrl &target, QWebEngineUrlRequestInfo::ResourceType type)
{
    using Info = QWebEngineUrlRequestInfo;
    const QUrl pageFile = localFileUrl(page);
    const QUrl file = localFileUrl(target);
    if (!file.isLocalFile())
        // A local page reaches the web only by a navigation: nothing it loads tells a server what it read.
        return !(pageFile.isLocalFile() && isRemote(target) && type != Info::ResourceTypeMainFrame);
    // A file: address is shown as a local page (see LocalFileGuard); the font address serves fonts alone.
    if ((target.isLocalFile() && type != Info::ResourceTypeMainFrame) ||
        (isLocalFontUrl(target) && type != Info::ResourceTypeFontResource))
        return false;
    const QString path = file.toLocalFile();
    switch (type) {
    case Info::ResourceTypeMainFrame:
        return true;
    case Info::ResourceTypeXhr:
        return false;
    case Info::ResourceTypeSubFrame:
    case Info::ResourceTypeObject:
    case Info::ResourceTypePluginResource:
        // A frame shows only the pages of the page's own site (which its scripts cannot look into).
        return pageFile.isLocalFile() && isHtmlPage(path) &&
               liesBelow(path, QFileInfo(pageFile.toLocalFile()).absolutePath());
    default:
        // Everything else a local page loads (pictures, style sheets, scripts, fonts, media, workers)
        // comes from its own folder or below: a page saved in a folder of mail reaches nothing else on
        // the disk. A page from the web loads no local file at all.
        return pageFile.isLocalFile() && fitsType(path, type) &&
               liesBelow(path, QFileInfo(pageFile.toLocalFile()).absolutePath());
    }
}

LocalFileGuard::LocalFileGuard(LocalFileServer *server, QObject *parent)
    : QWebEngineUrlRequestInterceptor(parent), m_server(server)
{}

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    using Info = QWebEngineUrlRequestInfo;
    const QUrl target = info.requestUrl();
    const Info::ResourceType type = info.resourceType();
    if (const QUrl file = m_server ? m_server->fileOf(target) : QUrl(); file.isLocalFile()) {
        // Where this guard sent a page's own resource: judged again as the file it is.
        if (!servedOverHttp(type) || !localFileLoadAllowed(info.firstPartyUrl(), localPageUrl(file), type))
            info.block(true);
    } else if (!localFileLoadAllowed(info.firstPartyUrl(), target, type)) {
        info.block(true);
    } else if (type == Info::ResourceTypeMainFrame) {
        // A page from the web does not send the user to the disk; a local file opened any other way (typed,
        // followed, given by another tool) is shown as a local page.
        if (localFileUrl(target).isLocalFile() && isRemote(info.initiator()))
            info.block(true);
        else if (target.isLocalFile())
            info.redirect(localPageUrl(target));
    } else if (type == Info::ResourceTypeFontResource && isLocalPageUrl(target)) {
        info.redirect(localFontUrl(target));
    } else if (servedOverHttp(type) && isLocalPageUrl(target) && m_server && m_server->isListening()) {
        info.redirect(m_server->offer(localFileUrl(target)));
    }
}

} // namespace brivo
