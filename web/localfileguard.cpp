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

// Whether a file named `path` is of a kind a page loads as a resource of `type`: its own scripts, style
// sheets, pictures, fonts, media and subtitles, by their names. Local files share one origin in the engine
// (see localFileLoadAllowed), so anything a page loads its script can read; under a resource's name it
// reads no more than what pages are made of, not a user's other files (a JSON module, say).
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

} // namespace

// The engine's own switch for local file access is all or nothing: off, a page cannot even load the
// pictures and style sheets beside it; on, every local page shares one origin and its scripts may read
// whatever it loads. It stays on, and the line is drawn here: by the kind of request, by folder and by the
// kind of file.
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
        // Everything else a local page loads (pictures, style sheets, scripts, fonts, media, workers)
        // comes from its own folder or below: a page saved in a folder of mail reaches nothing else on
        // the disk. A page from the web loads no local file at all.
        return page.isLocalFile() && fitsType(target.toLocalFile(), type) &&
               liesBelow(target.toLocalFile(), QFileInfo(page.toLocalFile()).absolutePath());
    }
}

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!localFileLoadAllowed(info.firstPartyUrl(), info.requestUrl(), info.resourceType()))
        info.block(true);
}

} // namespace brivo
