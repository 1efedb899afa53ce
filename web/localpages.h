// How the browser shows pages from the disk: each through an address of its own kind, so that the engine
// gives every local page an origin of its own.
#pragma once

#include "brivo_web_export.h"

class QFile;
class QObject;
class QString;
class QUrl;
class QWebEngineProfile;

namespace brivo {

// Tells the engine about the two kinds of address below. Must run before the engine starts (before the
// first profile or page exists); only the first call does anything.
void registerLocalPageSchemes();

// Makes `profile` answer both kinds of address with the file's bytes and its type (a page's pictures, style
// sheets, classic scripts and media come from LocalFileServer instead), and keeps its pages off
// file: addresses, whose pages would all share one origin. Only regular files are answered (a named pipe or
// a device is never opened). Which files a page may load at all is LocalFileGuard's to say: every request
// passes it first.
void serveLocalPages(QWebEngineProfile *profile);

// The address under which the engine shows the local file of `fileUrl` ("brivo-page:/path", fragment
// kept): a page there is an origin of its own that shares nothing with any other page or file, so its
// scripts cannot read what it loads (its pictures, style sheets, scripts and media still show). `fileUrl`
// may be the file's address of either kind below too; any address that is not a local file is returned as
// it is.
BRIVO_WEB_EXPORT QUrl localPageUrl(const QUrl &fileUrl);
// The same file's address for fonts ("brivo-font:/path"): a page may use a font from there, which the engine
// allows only from an answer that says so. Only fonts are loaded from it.
BRIVO_WEB_EXPORT QUrl localFontUrl(const QUrl &fileUrl);
// The local file's own address (file:) for either address above, fragment kept; any other address as it is.
BRIVO_WEB_EXPORT QUrl localFileUrl(const QUrl &url);
BRIVO_WEB_EXPORT bool isLocalPageUrl(const QUrl &url);
// The regular file at `path`, open for reading and owned by `parent`; null for anything else (a named pipe,
// a device, a folder, nothing).
QFile *openRegularFile(const QString &path, QObject *parent);
BRIVO_WEB_EXPORT bool isLocalFontUrl(const QUrl &url);

} // namespace brivo
