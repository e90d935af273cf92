#ifndef TESTS_LOCALSERVER_TESTCLIENT_H
#define TESTS_LOCALSERVER_TESTCLIENT_H

#include "wire/MemStream.h"

#include <QObject>
#include <QString>
#include <QTcpSocket>

#include <deque>
#include <utility>

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

    // Sends a login with a correct digest; the reply's body is returned, read
    // past its success byte, which is stored in `accepted`.
    MemStream LogIn(const QString& name, const QString& password, bool* accepted = nullptr);
    // Logs in, expecting success, and waits until the server has sent
    // everything that follows a login.
    bool LogInAndSettle(const QString& name, const QString& password = QStringLiteral("secret"));

    // The first unread message with the code, read past the code; a null
    // stream (no bytes at all) when none came within WaitMs.
    MemStream WaitFor(quint32 code);
    // Round trip through the server: afterwards everything the server sent
    // this client before it answered has arrived.
    bool Sync();
    // Whether an unread message with the code has arrived (no waiting).
    bool HasReceived(quint32 code) const;
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

// A login message with a correct digest.
MemStream LoginMessage(const QString& name, const QString& password);
// The message with its length word in front, as it goes over the socket.
QByteArray Frame(const MemStream& message);

// Builds a message: the code, then each field in order.
template <class... Fields>
MemStream Message(quint32 code, const Fields&... fields)
{
    MemStream message;
    message.Write(uint32_t(code));
    (message.Write(fields), ...);
    return message;
}

#endif
