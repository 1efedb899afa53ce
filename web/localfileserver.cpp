#include "web/localfileserver.h"

#include "web/localpages.h"

#include <QFile>
#include <QMimeDatabase>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace brivo {

namespace {

// A request's head is a line and a few headers; anything longer is not the engine asking.
constexpr qint64 kMaxHead = 16 * 1024;
constexpr qint64 kChunk = 64 * 1024;
constexpr int kHeadWaitMs = 10000;
constexpr char kAsked[] = "asked"; // set on a connection once its request has been read

// Compares in a time that does not tell how much of a guess was right.
bool sameSecret(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    unsigned char differ = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    return differ == 0;
}

void answerOnly(QTcpSocket *socket, const QByteArray &status, const QByteArray &extra = {})
{
    socket->write("HTTP/1.1 " + status + "\r\nContent-Length: 0\r\n" + extra + "Connection: close\r\n\r\n");
    socket->disconnectFromHost();
}

enum class Range
{
    Whole,
    Part,
    Unsatisfiable
};

// The byte range a "Range" header asks of a file of `size` bytes, as first and last byte; the whole file
// when there is no header or one this does not understand (several ranges, say).
Range byteRange(const QByteArray &header, qint64 size, qint64 *first, qint64 *last)
{
    *first = 0;
    *last = size - 1;
    static const QRegularExpression single(QStringLiteral("^bytes=(\\d*)-(\\d*)$"));
    const QRegularExpressionMatch match = single.match(QString::fromLatin1(header.trimmed()));
    if (!match.hasMatch() || (match.capturedLength(1) == 0 && match.capturedLength(2) == 0))
        return Range::Whole;
    if (match.capturedLength(1) == 0) {
        *first = qMax<qint64>(0, size - match.captured(2).toLongLong());
    } else {
        *first = match.captured(1).toLongLong();
        if (match.capturedLength(2) > 0)
            *last = qMin(*last, match.captured(2).toLongLong());
    }
    return *first <= *last ? Range::Part : Range::Unsatisfiable;
}

} // namespace

struct LocalFileServer::Shared
{
    QByteArray secret;
    quint16 port = 0; // 0 while not listening
    mutable QMutex mutex;
    QSet<QString> offered; // paths of the files offered

    bool isOffered(const QString &path) const
    {
        const QMutexLocker lock(&mutex);
        return offered.contains(path);
    }

    QUrl fileOf(const QUrl &address) const
    {
        const QString prefix = QLatin1Char('/') + QString::fromLatin1(secret) + QLatin1Char('/');
        const QString path = address.path(QUrl::FullyDecoded);
        if (port == 0 || address.scheme() != QLatin1String("http") ||
            address.host() != QLatin1String("127.0.0.1") || address.port() != port ||
            !sameSecret(path.left(prefix.size()).toLatin1(), prefix.toLatin1()))
            return {};
        QUrl file;
        file.setScheme(QStringLiteral("file"));
        file.setPath(path.mid(prefix.size() - 1), QUrl::DecodedMode);
        return QUrl::fromLocalFile(file.toLocalFile());
    }
};

namespace {

// The listening socket and its connections, on the server's thread.
class Connections : public QObject
{
public:
    explicit Connections(std::shared_ptr<LocalFileServer::Shared> shared) : m_shared(std::move(shared)) {}

    // Listens on a free port of the loopback address and puts it in the shared state; runs on the
    // server's thread before any offer is made.
    void listen()
    {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
                // A connection that never asks holds nothing for long (the engine asks at once).
                QTimer::singleShot(kHeadWaitMs, socket, [socket] {
                    if (!socket->property(kAsked).toBool())
                        socket->abort();
                });
            }
        });
        if (m_server->listen(QHostAddress::LocalHost, 0))
            m_shared->port = m_server->serverPort();
    }

private:
    void readRequest(QTcpSocket *socket);

    std::shared_ptr<LocalFileServer::Shared> m_shared;
    QTcpServer *m_server = nullptr;
};

void Connections::readRequest(QTcpSocket *socket)
{
    const QByteArray seen = socket->peek(kMaxHead);
    const qsizetype end = seen.indexOf("\r\n\r\n");
    if (end < 0) {
        if (seen.size() >= kMaxHead)
            socket->abort();
        return;
    }
    // One request for each connection: the answer ends it.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->setProperty(kAsked, true);
    const QList<QByteArray> lines = socket->read(end + 4).split('\n');
    const QList<QByteArray> request = lines.first().trimmed().split(' ');
    const bool head = request.value(0) == "HEAD";
    if (request.size() != 3 || (request[0] != "GET" && !head))
        return answerOnly(socket, "405 Method Not Allowed");
    QUrl address = QUrl(QString::fromLatin1(request[1]));
    address.setScheme(QStringLiteral("http"));
    address.setHost(QStringLiteral("127.0.0.1"));
    address.setPort(m_shared->port);
    const QUrl file = m_shared->fileOf(address);
    QFile *content = file.isLocalFile() && m_shared->isOffered(file.toLocalFile())
                         ? openRegularFile(file.toLocalFile(), socket)
                         : nullptr;
    if (!content)
        return answerOnly(socket, "404 Not Found");

    QByteArray range;
    for (const QByteArray &line : lines) {
        if (line.toLower().startsWith("range:"))
            range = line.mid(6);
    }
    const qint64 size = content->size();
    qint64 first = 0;
    qint64 last = 0;
    const Range asked = byteRange(range, size, &first, &last);
    if (asked == Range::Unsatisfiable)
        return answerOnly(socket, "416 Range Not Satisfiable",
                          "Content-Range: bytes */" + QByteArray::number(size) + "\r\n");
    const bool partial = asked == Range::Part;
    const QByteArray type =
        QMimeDatabase().mimeTypeForFileNameAndData(file.toLocalFile(), content).name().toUtf8();
    QByteArray answer = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    answer += "Content-Type: " + type +
              "\r\nContent-Length: " + QByteArray::number(qMax<qint64>(0, last - first + 1)) + "\r\n";
    if (partial)
        answer += "Content-Range: bytes " + QByteArray::number(first) + '-' + QByteArray::number(last) + '/' +
                  QByteArray::number(size) + "\r\n";
    // No header lets another origin read it: the page that shows it is one.
    answer += "Accept-Ranges: bytes\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    socket->write(answer);
    if (head || size == 0)
        return socket->disconnectFromHost();

    // Sent a piece at a time as the engine takes it, so that a long film is never read whole.
    content->seek(first);
    auto remaining = std::make_shared<qint64>(last - first + 1);
    const auto pump = [socket, content, remaining] {
        while (*remaining > 0 && socket->bytesToWrite() < 4 * kChunk) {
            const QByteArray piece = content->read(qMin(kChunk, *remaining));
            if (piece.isEmpty()) {
                socket->abort();
                return;
            }
            *remaining -= piece.size();
            socket->write(piece);
        }
        if (*remaining == 0 && socket->bytesToWrite() == 0)
            socket->disconnectFromHost();
    };
    connect(socket, &QTcpSocket::bytesWritten, content, pump);
    pump();
}

} // namespace

LocalFileServer::LocalFileServer(QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()), m_thread(new QThread(this))
{
    // 128 random bits: not to be guessed by a program that tries addresses.
    quint32 words[4];
    QRandomGenerator::system()->generate(std::begin(words), std::end(words));
    m_shared->secret = QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex();
    m_thread->setObjectName(QStringLiteral("local file server"));
    auto *connections = new Connections(m_shared);
    connections->moveToThread(m_thread);
    // The connections go with the thread, on it.
    connect(m_thread, &QThread::finished, connections, &QObject::deleteLater);
    m_thread->start();
    QMetaObject::invokeMethod(connections, &Connections::listen, Qt::BlockingQueuedConnection);
}

LocalFileServer::~LocalFileServer()
{
    m_thread->quit();
    m_thread->wait();
}

bool LocalFileServer::isListening() const
{
    return m_shared->port != 0;
}

QUrl LocalFileServer::offer(const QUrl &fileUrl)
{
    if (!isListening() || !fileUrl.isLocalFile())
        return fileUrl;
    {
        const QMutexLocker lock(&m_shared->mutex);
        m_shared->offered.insert(fileUrl.toLocalFile());
    }
    QUrl address;
    address.setScheme(QStringLiteral("http"));
    address.setHost(QStringLiteral("127.0.0.1"));
    address.setPort(m_shared->port);
    address.setPath(QLatin1Char('/') + QString::fromLatin1(m_shared->secret) +
                        fileUrl.path(QUrl::FullyDecoded),
                    QUrl::DecodedMode);
    return address;
}

QUrl LocalFileServer::fileOf(const QUrl &address) const
{
    return m_shared->fileOf(address);
}

} // namespace brivo
