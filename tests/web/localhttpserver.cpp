#include "localhttpserver.h"

#include <QTcpSocket>

LocalHttpServer::LocalHttpServer(QObject *parent) : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString LocalHttpServer::hostAndPort(const QString &path) const
{
    return QStringLiteral("127.0.0.1:%1%2").arg(port()).arg(path);
}

void LocalHttpServer::answer(QTcpSocket *socket)
{
    // Requests are small: gather them until the blank line that ends the headers, then answer and close.
    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;

    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray path = requestLine.value(1);
    m_requested.append(path);

    QByteArray response;
    const auto found = m_replies.constFind(path);
    if (found == m_replies.constEnd()) {
        response = "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 9\r\n"
                   "Connection: close\r\n\r\nnot found";
    } else {
        response = "HTTP/1.1 200 OK\r\nContent-Type: " + found->contentType +
                   "\r\nContent-Length: " + QByteArray::number(found->body.size()) + "\r\n" +
                   found->extraHeaders + "Connection: close\r\n\r\n" + found->body;
    }
    socket->write(response);
    socket->disconnectFromHost();
}
