#ifndef TESTS_PEER_LOOPBACK_H
#define TESTS_PEER_LOOPBACK_H

#include "peer/PeerFraming.h"
#include "wire/FrameReader.h"
#include "wire/MemStream.h"

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdint>
#include <memory>
#include <vector>

// Ports on 127.0.0.1 that were free a moment ago.
std::vector<quint16> FreePorts(int count);

// The far end of a client's server session, driven by the test: takes the
// login, accepts it, reads what the client sends and sends what the test wants.
class ServerEnd
{
public:
    ServerEnd();
    quint16 Port() const { return listener.serverPort(); }

    // Accepts the client and its login.
    bool AcceptLogin();
    // The next message from the client (waiting for it).
    bool Next(uint32_t& code, MemStream& body);
    // The codes the client sends until the heartbeat it sends when asked
    // (the caller asks, see Server::EveryFiveMinutes), with their bodies.
    std::vector<std::pair<uint32_t, MemStream>> UntilHeartbeat();
    void Send(const MemStream& message);

private:
    QTcpServer listener;
    std::unique_ptr<QTcpSocket> client;
    FrameReader reader{64 * 1024 * 1024, 4};
};

// The far end of one peer connection, plain or obfuscated, driven by the test.
class RawPeer
{
public:
    explicit RawPeer(bool obfuscated);
    // Takes over a socket that another program connected.
    RawPeer(QTcpSocket* accepted, bool obfuscated);

    bool Connect(quint16 port);
    // Connects without waiting (the event loop must run for it to finish).
    void StartConnect(quint16 port);
    void Send(const MemStream& message);
    void SendBytes(const QByteArray& bytes);
    // The next frame's body (waiting for it).
    bool Next(MemStream& body, int ms = 5000);
    // Whether the other side closed the connection (waiting for that).
    bool WaitClosed(int ms = 5000);
    bool IsOpen() const { return socket->state() == QAbstractSocket::ConnectedState; }
    QTcpSocket& Socket() { return *socket; }

private:
    std::unique_ptr<QTcpSocket> socket;
    bool obfuscated;
    PeerReadState reader;
};

// A user's listening port that accepts raw peers.
class RawListener
{
public:
    RawListener();
    quint16 Port() const { return listener.serverPort(); }
    std::unique_ptr<RawPeer> Accept(bool obfuscated, int ms = 5000);

private:
    QTcpServer listener;
};

#endif
