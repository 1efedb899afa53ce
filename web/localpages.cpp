#include "web/localpages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace brivo {

namespace {

constexpr char pageScheme[] = "brivo-page";
constexpr char fontScheme[] = "brivo-font";

QUrl withScheme(const QUrl &address, const char *scheme)
{
    const QUrl fileUrl = localFileUrl(address);
    if (!fileUrl.isLocalFile())
        return address;
    QUrl url;
    url.setScheme(QLatin1String(scheme));
    url.setPath(fileUrl.path(QUrl::FullyDecoded), QUrl::DecodedMode);
    url.setFragment(fileUrl.fragment(QUrl::FullyDecoded), QUrl::DecodedMode);
    return url;
}

class LocalPageHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        const QString path = localFileUrl(job->requestUrl()).toLocalFile();
        if (job->requestMethod() != "GET" || !QDir::isAbsolutePath(path)) {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        QFile *file = openRegularFile(QDir::cleanPath(path), job);
        if (!file) {
            job->fail(QFileInfo::exists(path) ? QWebEngineUrlRequestJob::RequestDenied
                                              : QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        // By name first, as a file: address is typed; a file without a telling name by its first bytes (a
        // text file shows as text rather than being offered for download). The engine reads the file on
        // its own thread, from the job's device.
        const QMimeType type = QMimeDatabase().mimeTypeForFileNameAndData(path, file);
        job->reply(type.name().toUtf8(), file);
    }
};

} // namespace

// The regular file at `path`, open for reading and owned by `parent`; null for anything else. What is
// opened is checked, not the name before it: a name swapped for a pipe in between would hold the thread.
QFile *openRegularFile(const QString &path, QObject *parent)
{
    auto *file = new QFile(parent);
#if defined(Q_OS_UNIX)
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    if (fd == -1 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd != -1)
            ::close(fd);
        delete file;
        return nullptr;
    }
#else
    file->setFileName(path);
    if (!QFileInfo(path).isFile() || !file->open(QIODevice::ReadOnly)) {
        delete file;
        return nullptr;
    }
#endif
    return file;
}

void registerLocalPageSchemes()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    // A document here gets an origin of its own, unlike a file: page, which shares one with every local
    // file once it may load any: requests that hand a script the bytes of another address (fetch,
    // XMLHttpRequest, module imports, workers, text tracks, a frame's document) are refused by the engine.
    // What the page shows without reading it comes from LocalFileServer. No host part: every path is one
    // address.
    QWebEngineUrlScheme page(pageScheme);
    page.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    page.setFlags(QWebEngineUrlScheme::NoAccessAllowed);
    QWebEngineUrlScheme::registerScheme(page);
    // Fonts are the one resource the engine loads only with the answer's consent; this address gives it.
    // Since it would hand any request the bytes, LocalFileGuard lets nothing but fonts through to it, and
    // a script cannot read a font's bytes.
    QWebEngineUrlScheme font(fontScheme);
    font.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    font.setFlags(QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(font);
}

void serveLocalPages(QWebEngineProfile *profile)
{
    auto *handler = new LocalPageHandler(profile);
    profile->installUrlSchemeHandler(pageScheme, handler);
    profile->installUrlSchemeHandler(fontScheme, handler);
    profile->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
}

QUrl localPageUrl(const QUrl &fileUrl)
{
    return withScheme(fileUrl, pageScheme);
}

QUrl localFontUrl(const QUrl &fileUrl)
{
    return withScheme(fileUrl, fontScheme);
}

QUrl localFileUrl(const QUrl &url)
{
    if (!isLocalPageUrl(url) && !isLocalFontUrl(url))
        return url;
    QUrl file;
    file.setScheme(QStringLiteral("file"));
    file.setPath(url.path(QUrl::FullyDecoded), QUrl::DecodedMode);
    file = QUrl::fromLocalFile(file.toLocalFile());
    file.setFragment(url.fragment(QUrl::FullyDecoded), QUrl::DecodedMode);
    return file;
}

bool isLocalPageUrl(const QUrl &url)
{
    return url.scheme() == QLatin1String(pageScheme);
}

bool isLocalFontUrl(const QUrl &url)
{
    return url.scheme() == QLatin1String(fontScheme);
}

} // namespace brivo
