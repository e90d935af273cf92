#ifndef TESTS_DNET_DNETTESTKIT_H
#define TESTS_DNET_DNETTESTKIT_H

#include "wire/FrameReader.h"
#include "wire/MemStream.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class DataSaver;
class DNetManager;
class Server;

// Processes events until the condition holds, for at most the given time.
template <class Condition>
bool WaitUntil(Condition condition, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

// The bytes of the fields, each at the width of its type.
template <class... Fields>
QByteArray Bytes(const Fields&... fields)
{
    MemStream body;
    (body.Write(fields), ...);
    return body.GetPendingBytes();
}

// One message the client sent its server: the code and the body's bytes.
using SentMessage = std::pair<uint32_t, QByteArray>;

// A report as Reports() lists it.
template <class... Fields>
QString Report(uint32_t code, const Fields&... fields)
{
    return QString::number(code) + ":" + QString::fromLatin1(Bytes(fields...).toHex());
}

// The far end of a client's server session on loopback: takes the login and
// collects what the client sends.
class SessionEnd
{
public:
    SessionEnd();
    quint16 Port() const { return listener.serverPort(); }
    bool AcceptLogin();
    // What the client sent since the last call, in order: the session is made
    // to send a heartbeat, and everything before it is collected.
    std::vector<SentMessage> Sent(Server& session);
    void Send(const MemStream& message);

private:
    QTcpServer listener;
    std::unique_ptr<QTcpSocket> client;
    FrameReader reader;
};

// The far end of one distributed connection, driven by the test.
class FarEnd
{
public:
    explicit FarEnd(QTcpSocket* socket);
    void Send(const MemStream& message);
    void SendBytes(const QByteArray& bytes);
    // The next frame's body (waiting for it).
    bool Next(MemStream& body, int ms = 5000);
    QByteArray NextBytes(int ms = 5000);
    // No frame arrives within the time.
    bool Quiet(int ms = 100);
    // Whether the other side closed the connection (waiting for that).
    bool WaitClosed(int ms = 5000);
    QTcpSocket& Socket() { return *socket; }

private:
    std::unique_ptr<QTcpSocket> socket;
    FrameReader reader;
};

// A connection on loopback: the near socket (for the manager to own) and
// the far end.
struct SocketPair
{
    QTcpSocket* near = nullptr;
    std::unique_ptr<FarEnd> far;
};
SocketPair ConnectPair(QTcpServer& listener);

// A fresh graph with the types the distributed network builds on, a server
// session logged in to a SessionEnd, and a DNetManager; the login-time
// messages are drained.
class DNetFixture
{
public:
    DNetFixture();
    ~DNetFixture();

    DNetManager& Manager() { return *manager; }
    Server& Session() { return *session; }
    // The distributed network's messages the client sent the server since
    // the last call (the others are dropped), as "code:hex of the body".
    QStringList Reports();
    // A message from the server.
    void FromServer(const MemStream& message) { server.Send(message); }

    // A connection handed over as one to a possible parent / from a child.
    std::unique_ptr<FarEnd> Candidate(const QString& user);
    std::unique_ptr<FarEnd> Child(const QString& user);
    // A possible parent that passed a search and so became the parent.
    std::unique_ptr<FarEnd> Parent(const QString& user);

private:
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<Server> session;
    SessionEnd server;
    QTcpServer peers;
    std::unique_ptr<DNetManager> manager;
};

#endif
