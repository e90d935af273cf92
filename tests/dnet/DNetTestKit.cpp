#include "DNetTestKit.h"

#include "app/Settings.h"
#include "dnet/DNetManager.h"
#include "dnet/DNetMessages.h"
#include "dnet/DNetSchema.h"
#include "peer/PeerSchema.h"
#include "server/Server.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "wire/FrameWriter.h"

#include <set>

SessionEnd::SessionEnd()
    : reader(64 * 1024 * 1024, 4)
{
    listener.listen(QHostAddress::LocalHost, 0);
}

bool SessionEnd::AcceptLogin()
{
    if (!listener.waitForNewConnection(5000))
        return false;
    client.reset(listener.nextPendingConnection());
    client->setParent(nullptr);
    MemStream login;
    uint32_t code = 0;
    if (!WaitUntil([&] { return reader.ReadFrom(*client, login) == FrameReader::Result::Complete; })
        || !login.Read(code) || code != SM_LOGIN)
        return false;
    client->write(FrameMessage(
        BuildMessage(uint32_t(SM_LOGIN), true, QString("Welcome"), uint32_t(0x7f000001), QString("digest"), false)));
    return true;
}

std::vector<SentMessage> SessionEnd::Sent(Server& session)
{
    session.EveryFiveMinutes();
    std::vector<SentMessage> sent;
    for (;;) {
        MemStream frame;
        uint32_t code = 0;
        if (!WaitUntil([&] { return reader.ReadFrom(*client, frame) == FrameReader::Result::Complete; })
            || !frame.Read(code) || code == SM_HEARTBEAT)
            return sent;
        sent.emplace_back(code, frame.GetPendingBytes());
    }
}

void SessionEnd::Send(const MemStream& message)
{
    client->write(FrameMessage(message));
    client->flush();
}

FarEnd::FarEnd(QTcpSocket* farSocket)
    : socket(farSocket)
    , reader(MaxDNetFrameLength)
{
    socket->setParent(nullptr);
}

void FarEnd::Send(const MemStream& message)
{
    SendBytes(FrameMessage(message));
}

void FarEnd::SendBytes(const QByteArray& bytes)
{
    socket->write(bytes);
    socket->flush();
}

bool FarEnd::Next(MemStream& body, int ms)
{
    return WaitUntil([&] { return reader.ReadFrom(*socket, body) == FrameReader::Result::Complete; }, ms);
}

QByteArray FarEnd::NextBytes(int ms)
{
    MemStream body;
    return Next(body, ms) ? body.GetPendingBytes() : QByteArray();
}

bool FarEnd::Quiet(int ms)
{
    MemStream body;
    return !Next(body, ms);
}

bool FarEnd::WaitClosed(int ms)
{
    // Whatever is still on the way is read at once.
    socket->setReadBufferSize(0);
    return WaitUntil(
        [&] {
            socket->readAll();
            return socket->state() == QAbstractSocket::UnconnectedState;
        },
        ms);
}

SocketPair ConnectPair(QTcpServer& listener)
{
    auto* far = new QTcpSocket;
    far->connectToHost(QHostAddress::LocalHost, listener.serverPort());
    SocketPair pair;
    pair.far = std::make_unique<FarEnd>(far);
    if (!far->waitForConnected(5000) || !listener.waitForNewConnection(5000))
        return pair;
    pair.near = listener.nextPendingConnection();
    pair.near->setParent(nullptr);
    return pair;
}

DNetFixture::DNetFixture()
{
    d.Clear();
    saver = std::make_unique<DataSaver>();
    DeclareSettingsSchema();
    Server::CreateData();
    DeclarePeerNetworkTypes();
    session = std::make_unique<Server>();
    SetSetting("server_host", "127.0.0.1");
    SetSetting("server_port", QString::number(server.Port()));
    SetSetting("use_upnp", "no");
    SetSetting("username", "me");
    SetSetting("password", "secret");
    peers.listen(QHostAddress::LocalHost, 0);
    manager = std::make_unique<DNetManager>();
    session->Connect();
    if (server.AcceptLogin())
        WaitUntil([&] { return session->IsConnected(); });
    server.Sent(*session);
}

DNetFixture::~DNetFixture()
{
    manager.reset();
    session.reset();
    d.Clear();
}

QStringList DNetFixture::Reports()
{
    const std::set<uint32_t> codes{SM_SEND_DISTRIBUTIONS, SM_CAN_PARENT, SM_DNET_LEVEL, SM_DNET_GROUP_LEADER,
                                   SM_DNET_CHILD_DEPTH};
    QStringList reports;
    for (const SentMessage& message : server.Sent(*session))
        if (codes.count(message.first))
            reports << QString::number(message.first) + ":" + QString::fromLatin1(message.second.toHex());
    return reports;
}

std::unique_ptr<FarEnd> DNetFixture::Candidate(const QString& user)
{
    SocketPair pair = ConnectPair(peers);
    if (pair.near)
        manager->OnDNetConnectionAccepted(user, pair.near);
    return std::move(pair.far);
}

std::unique_ptr<FarEnd> DNetFixture::Child(const QString& user)
{
    SocketPair pair = ConnectPair(peers);
    if (pair.near)
        manager->OnDNetConnectionRequested(user, pair.near);
    return std::move(pair.far);
}

std::unique_ptr<FarEnd> DNetFixture::Parent(const QString& user)
{
    std::unique_ptr<FarEnd> parent = Candidate(user);
    parent->Send(BuildDNetSearch("someone", 1, "first"));
    WaitUntil([&] { return GetDNetValue(DNetParentUser) == user; });
    return parent;
}
