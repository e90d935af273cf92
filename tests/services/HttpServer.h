#ifndef TESTS_SERVICES_HTTPSERVER_H
#define TESTS_SERVICES_HTTPSERVER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

// A small HTTP server on 127.0.0.1 for tests. It takes each request whole
// (head, and a body as long as its Content-Length), records it, and answers
// what the handler returns, closing the connection after the answer. The
// handler may leave a request unanswered.
class HttpServer : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArray head;
        QByteArray body;
        // The value of a header, by its lower-case name.
        QByteArray Header(const QByteArray& name) const;
    };

    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/plain";
        bool answered = true;
    };

    using Handler = std::function<Response(const Request&)>;

    explicit HttpServer(Handler handler, QObject* parent = nullptr);

    // Listens on an ephemeral port of 127.0.0.1.
    bool Listen();
    QString Url(const QString& path) const;
    const QList<Request>& Requests() const { return requests; }

private slots:
    void OnNewConnection();

private:
    void OnReadyRead(QTcpSocket* socket);

    Handler handler;
    QTcpServer listener;
    QList<Request> requests;
    // What each connection has sent of the request being received.
    QHash<QTcpSocket*, QByteArray> received;
};

#endif
