#include "Loopback.h"

#include "PeerTestKit.h"

#include "server/ServerMessageCode.h"
#include "wire/FrameWriter.h"

std::vector<quint16> FreePorts(int count)
{
    std::vector<std::unique_ptr<QTcpServer>> probes;
    std::vector<quint16> ports;
    for (int n = 0; n < count; ++n) {
        probes.push_back(std::make_unique<QTcpServer>());
        probes.back()->listen(QHostAddress::LocalHost, 0);
        ports.push_back(probes.back()->serverPort());
    }
    return ports;
}

ServerEnd::ServerEnd()
{
    listener.listen(QHostAddress::LocalHost, 0);
}

bool ServerEnd::AcceptLogin()
{
    if (!WaitUntil([this] { return listener.hasPendingConnections(); }))
        return false;
    client.reset(listener.nextPendingConnection());
    client->setParent(nullptr);
    uint32_t code = 0;
    MemStream login;
    if (!Next(code, login) || code != SM_LOGIN)
        return false;
    Send(BuildMessage(uint32_t(SM_LOGIN), true, QString("Welcome"), uint32_t(0x7f000001), QString("digest"), false));
    return true;
}

bool ServerEnd::Next(uint32_t& code, MemStream& body)
{
    MemStream frame;
    const bool complete
        = WaitUntil([&] { return client && reader.ReadFrom(*client, frame) == FrameReader::Result::Complete; });
    if (!complete || !frame.Read(code))
        return false;
    body = frame;
    return true;
}

std::vector<std::pair<uint32_t, MemStream>> ServerEnd::UntilHeartbeat()
{
    std::vector<std::pair<uint32_t, MemStream>> sent;
    uint32_t code = 0;
    MemStream body;
    while (Next(code, body) && code != SM_HEARTBEAT)
        sent.emplace_back(code, body);
    return sent;
}

void ServerEnd::Send(const MemStream& message)
{
    client->write(FrameMessage(message));
}

RawPeer::RawPeer(bool isObfuscated)
    : socket(std::make_unique<QTcpSocket>())
    , obfuscated(isObfuscated)
    , reader(isObfuscated)
{
}

RawPeer::RawPeer(QTcpSocket* accepted, bool isObfuscated)
    : socket(accepted)
    , obfuscated(isObfuscated)
    , reader(isObfuscated)
{
    socket->setParent(nullptr);
}

bool RawPeer::Connect(quint16 port)
{
    StartConnect(port);
    return socket->waitForConnected(5000);
}

void RawPeer::StartConnect(quint16 port)
{
    socket->connectToHost(QHostAddress::LocalHost, port);
}

void RawPeer::Send(const MemStream& message)
{
    SendBytes(FramePeerMessage(message, obfuscated));
}

void RawPeer::SendBytes(const QByteArray& bytes)
{
    socket->write(bytes);
    socket->flush();
}

bool RawPeer::Next(MemStream& body, int ms)
{
    return WaitUntil(
        [&] {
            PeerReadState::Step step = reader.Next(*socket);
            if (step.event != PeerReadState::Event::Message)
                return false;
            body = step.body;
            return true;
        },
        ms);
}

bool RawPeer::WaitClosed(int ms)
{
    return WaitUntil(
        [&] {
            socket->readAll();
            return socket->state() == QAbstractSocket::UnconnectedState;
        },
        ms);
}

RawListener::RawListener()
{
    listener.listen(QHostAddress::LocalHost, 0);
}

std::unique_ptr<RawPeer> RawListener::Accept(bool obfuscated, int ms)
{
    if (!WaitUntil([this] { return listener.hasPendingConnections(); }, ms))
        return nullptr;
    return std::make_unique<RawPeer>(listener.nextPendingConnection(), obfuscated);
}
