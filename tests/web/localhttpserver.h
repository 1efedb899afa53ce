// A tiny HTTP server on 127.0.0.1 for the browser's tests: it answers GET requests from a table of paths.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QTcpServer>

class LocalHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Reply
    {
        QByteArray contentType;
        QByteArray body;
        QByteArray extraHeaders; // whole lines, each ending in "\r\n"
    };

    explicit LocalHttpServer(QObject *parent = nullptr);
    bool listening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // "127.0.0.1:port" followed by `path`, without a scheme.
    QString hostAndPort(const QString &path) const;

    void serve(const QByteArray &path, const Reply &reply) { m_replies.insert(path, reply); }
    QList<QByteArray> requestedPaths() const { return m_requested; }

private:
    void answer(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QByteArray, Reply> m_replies;
    QList<QByteArray> m_requested;
};
