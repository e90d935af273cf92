#ifndef TESTS_LOCALSERVER_TESTCLIENT_H
#define TESTS_LOCALSERVER_TESTCLIENT_H

#include "LocalServer.h"

#include "wire/FrameWriter.h"
#include "wire/MemStream.h"

#include <QObject>
#include <QString>
#include <QTcpSocket>

#include <deque>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

// A raw client of the local server for tests: frames what it sends, collects
// what it receives, and waits (bounded) for messages by code.
class TestClient : public QObject
{
    Q_OBJECT
public:
    static constexpr int WaitMs = 5000;

    bool Connect(quint16 port);
    void Send(const MemStream& message);
    void SendRaw(const QByteArray& bytes);

    // Logs in, expecting success, and waits until the server has sent
    // everything that follows a login.
    bool LogInAndSettle(const QString& name, const QString& password = QStringLiteral("secret"));

    // The first unread message with the code, read past the code; a null
    // stream (no bytes at all) when none came within WaitMs.
    MemStream WaitFor(quint32 code);
    bool Got(quint32 code) { return WaitFor(code).GetLength() > 0; }
    // The body of the first unread message with the code; empty if none came.
    QByteArray BodyOf(quint32 code) { return WaitFor(code).GetPendingBytes(); }
    // Round trip through the server: afterwards everything the server sent
    // this client before it answered has arrived.
    bool Sync();
    // After a round trip, no unread message with the code is there.
    bool GotNo(quint32 code);
    void Forget() { m_received.clear(); }

    bool WaitForDisconnect();
    bool IsConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    QTcpSocket& Socket() { return m_socket; }

private slots:
    void OnReadyRead();

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
    std::deque<std::pair<quint32, MemStream>> m_received;
    quint32 m_syncCounter = 0;
};

// A quiet local server on an ephemeral loopback port and the clients of a test.
class LocalNetwork
{
public:
    explicit LocalNetwork(localserver::ServerOptions options = localserver::ServerOptions());

    localserver::LocalServer& Server() { return m_server; }
    quint16 Port() const { return m_server.ServerPort(); }
    // A new connected client (null when that fails); the network owns it.
    TestClient* Connect();
    // A new client logged in as the user, with what follows the login read
    // and forgotten; null when that fails.
    TestClient* LogIn(const QString& name);
    // Disconnects the client and waits until the server has logged it out.
    bool LogOut(TestClient* client, const QString& name);

private:
    localserver::LocalServer m_server;
    std::vector<std::unique_ptr<TestClient>> m_clients;
};

// A login message with a correct digest.
MemStream LoginMessage(const QString& name, const QString& password);
// The message with its length word in front, as it goes over the socket.
inline QByteArray Frame(const MemStream& message)
{
    return FrameMessage(message);
}

// Builds a message: the code, then each field in order.
template <class... Fields>
MemStream Message(quint32 code, const Fields&... fields)
{
    return BuildMessage(uint32_t(code), fields...);
}

// The bytes of the fields, as a message body holds them.
template <class... Fields>
QByteArray Body(const Fields&... fields)
{
    MemStream body;
    (body.Write(fields), ...);
    return body.GetPendingBytes();
}

// Reads the fields in order; those past the end of the message keep their
// defaults.
template <class... T>
std::tuple<T...> Fields(MemStream message)
{
    std::tuple<T...> fields;
    std::apply([&message](auto&... field) { (message.Read(field) && ...); }, fields);
    return fields;
}

#endif
