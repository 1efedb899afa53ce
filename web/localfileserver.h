// Serves the pictures, style sheets, scripts and media of local pages over HTTP on the loopback address.
#pragma once

#include "brivo_web_export.h"

#include <QObject>

#include <memory>

class QThread;
class QUrl;

namespace brivo {

// The engine marks a resource as another origin's (a canvas it is drawn on becomes unreadable, a style
// sheet's rules are closed to scripts) only when it came over the network, never when an application
// served it. So what a local page shows comes from here: an HTTP server on 127.0.0.1 that answers without
// any header allowing another origin to read, so that a page's scripts read nothing it loads, and that
// answers only under a secret part of the address, known to this process alone, so that no other program
// or user on the machine reads the user's files through it. Which files a page may load is LocalFileGuard's
// to say; this serves the regular files offered to it (never a named pipe or a device), with byte ranges
// for media.
class BRIVO_WEB_EXPORT LocalFileServer : public QObject
{
    Q_OBJECT
public:
    // Listens on a free port of the loopback address; isListening() says whether that worked. The
    // connections are served on a thread of the server's own, so that a file on a slow disk or a network
    // share never holds up the windows.
    explicit LocalFileServer(QObject *parent = nullptr);
    ~LocalFileServer() override;

    bool isListening() const;
    // The address under which the local file of `fileUrl` is served from now on (fragment dropped);
    // `fileUrl` itself when the server does not listen or it is no local file. Only files offered so are
    // answered, so that the secret, were it to leak (the engine names a refused address in its console
    // messages), opens no more than what pages have been shown.
    QUrl offer(const QUrl &fileUrl);
    // The local file's own address (file:) for one of this server's addresses; an empty address for any
    // other.
    QUrl fileOf(const QUrl &address) const;

    // What the server's thread and the callers share: the secret and port, set before the first offer,
    // and the files offered.
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    QThread *m_thread;
};

} // namespace brivo
