#include "HttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

QByteArray HttpServer::Request::Header(const QByteArray& name) const
{
    for (const QByteArray& line : head.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name)
            return line.mid(colon + 1).trimmed();
    }
    return QByteArray();
}

HttpServer::HttpServer(Handler requestHandler, QObject* parent)
    : QObject(parent)
    , handler(std::move(requestHandler))
{
    connect(&listener, &QTcpServer::newConnection, this, &HttpServer::OnNewConnection);
}

bool HttpServer::Listen()
{
    return listener.listen(QHostAddress::LocalHost, 0);
}

QString HttpServer::Url(const QString& path) const
{
    return QString("http://127.0.0.1:%1%2").arg(listener.serverPort()).arg(path);
}

void HttpServer::OnNewConnection()
{
    while (QTcpSocket* socket = listener.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { received.remove(socket); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    }
}

void HttpServer::OnReadyRead(QTcpSocket* socket)
{
    QByteArray& bytes = received[socket];
    bytes += socket->readAll();
    const int headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    Request request;
    request.head = bytes.left(headEnd);
    const QList<QByteArray> requestLine = request.head.left(request.head.indexOf('\r')).split(' ');
    request.method = requestLine.value(0);
    request.path = requestLine.value(1);
    const int bodyLength = request.Header("content-length").toInt();
    if (bytes.size() < headEnd + 4 + bodyLength)
        return;
    request.body = bytes.mid(headEnd + 4, bodyLength);
    bytes.clear();
    requests << request;
    const Response response = handler(request);
    if (!response.answered)
        return;
    socket->write(QByteArray("HTTP/1.1 ") + QByteArray::number(response.status) + " Answer\r\n" + "Content-Type: "
                  + response.contentType + "\r\n" + "Content-Length: " + QByteArray::number(response.body.size())
                  + "\r\n" + "Connection: close\r\n\r\n" + response.body);
    socket->disconnectFromHost();
}
