#ifndef LOCALSERVER_CLIENTSESSION_H
#define LOCALSERVER_CLIENTSESSION_H

#include "ServerLog.h"
#include "UserState.h"

#include "wire/FrameReader.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace localserver {

class ClientSession;
struct ServerOptions;

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
// framing error, when it has not logged in in time or when it stops reading
// what it is sent. Until it has logged in, it may send no message longer than
// a login needs.
class ClientSession : public QObject
{
    Q_OBJECT
public:
    // A message holds at least its code; none that this server takes comes
    // near the upper bound.
    static constexpr quint32 MinMessageLength = 4;
    static constexpr quint32 MaxMessageLength = 1024 * 1024;

    // The socket (may be null: what is sent is then only logged) becomes a
    // child of the session.
    ClientSession(quint64 serial, QTcpSocket* socket, SessionHandler& handler, ServerLog& log,
                  const ServerOptions& options, QObject* parent = nullptr);

    // Numbers sessions in the order they were accepted.
    quint64 Serial() const { return m_serial; }
    // The user name once logged in, else "#serial"; used in log lines.
    QString LogName() const;

    bool IsLoggedIn() const { return m_loggedIn; }
    // The user name; kept after logout for the log lines.
    const QString& Name() const { return m_name; }
    void SetLoggedIn(const QString& name);
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

    // A log line about this session (see ServerLog::Note); nothing is
    // formatted when the log is quiet.
    template <class... Args>
    void Note(const char* text, const Args&... args) const
    {
        if (!m_log.IsQuiet())
            m_log.Note(LogName(), text, args...);
    }

private slots:
    void OnReadyRead();
    void OnDisconnected();

private:
    // Hands a complete message to the handler or closes on a bad length;
    // false when nothing more is to be taken now.
    bool Take(FrameReader::Result result, MemStream& message);
    void Drop(const QString& reason);
    void ReportEnd();

    const quint64 m_serial;
    QPointer<QTcpSocket> m_socket;
    SessionHandler& m_handler;
    ServerLog& m_log;
    const qint64 m_maxQueuedBytes;
    quint32 m_ipv4Address = 0;
    FrameReader m_reader;
    QTimer m_loginTimer;
    QString m_name;
    UserState m_user;
    bool m_loggedIn = false;
    bool m_closed = false;
    bool m_endReported = false;
};

} // namespace localserver

#endif
