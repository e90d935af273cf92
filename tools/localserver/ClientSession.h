#ifndef LOCALSERVER_CLIENTSESSION_H
#define LOCALSERVER_CLIENTSESSION_H

#include "FrameReader.h"
#include "UserState.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

namespace localserver {

class ClientSession;
class ServerLog;

// Receives what a session parses and learns that it ended.
class SessionHandler
{
public:
    virtual ~SessionHandler() = default;
    virtual void HandleMessage(ClientSession& session, quint32 code, MemStream& body) = 0;
    // Called once, from the event loop, after the session closed for any reason.
    virtual void SessionEnded(ClientSession& session) = 0;
};

// One client's connection: cuts its bytes into messages for the handler,
// frames and writes what the server sends it, and closes it on request, on a
// framing error or when it stops reading what it is sent.
class ClientSession : public QObject
{
    Q_OBJECT
public:
    // The socket (may be null: what is sent is then only logged) becomes a
    // child of the session.
    ClientSession(quint64 serial, QTcpSocket* socket, SessionHandler& handler, ServerLog& log, qint64 maxQueuedBytes,
                  QObject* parent = nullptr);

    // Numbers sessions in the order they were accepted.
    quint64 Serial() const { return m_serial; }
    // The user name once logged in, else "#serial"; used in log lines.
    QString LogName() const;

    bool IsLoggedIn() const { return m_loggedIn; }
    // The user name; kept after logout for the log lines.
    const QString& Name() const { return m_name; }
    void SetLoggedIn(const QString& name)
    {
        m_name = name;
        m_loggedIn = true;
    }
    void SetLoggedOut() { m_loggedIn = false; }

    // Closed sessions take no more messages and send nothing.
    bool IsClosed() const { return m_closed; }
    // The IPv4 address of the client as a number whose most significant byte
    // is the first octet; 0 when unknown.
    quint32 Ipv4Address() const { return m_ipv4Address; }

    UserState& User() { return m_user; }
    const UserState& User() const { return m_user; }

    // Takes bytes as they arrive; hands every whole message to the handler.
    void Receive(const char* data, qint64 size);
    // Frames and sends one message (code first).
    void Send(const MemStream& message);
    // Sends what is queued, then closes.
    void Close(const QString& reason);

private slots:
    void OnReadyRead();
    void OnDisconnected();

private:
    void Drop(const QString& reason);
    void ReportEnd();

    const quint64 m_serial;
    QPointer<QTcpSocket> m_socket;
    SessionHandler& m_handler;
    ServerLog& m_log;
    const qint64 m_maxQueuedBytes;
    quint32 m_ipv4Address = 0;
    FrameReader m_reader;
    QString m_name;
    UserState m_user;
    bool m_loggedIn = false;
    bool m_closed = false;
    bool m_endReported = false;
};

} // namespace localserver

#endif
