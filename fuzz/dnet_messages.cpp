// Drives the distributed network's manager with arbitrary messages from both
// sides of the tree: two possible parents (the first to pass a search becomes
// the parent), the server's relay, and children, between which possible
// parents lists, the server's parameters, the own speed and the passing of
// time arrive. The input is a list of records: a selector byte, a uint16
// length, then that many bytes. The selector (modulo 8) picks:
//   0, 1: a message from the first or second possible parent;
//   2: a message relayed by the server;
//   3, 4: a message from the first or second child;
//   5: a new child connection, for the user the bytes name;
//   6: int32 minimum speed, int32 ratio, uint32 own speed, uint32 milliseconds
//      that pass (then a new session starts and the half-minute checks run);
//   7: a possible parents list: entries of string user, uint32 address,
//      int32 port, as many as can be read.
// The connections are sockets that never connect: what the manager writes
// fails, and it drops such connections as it drops those that fall behind.
// Whatever arrives, nothing may read out of bounds, allocate without bound,
// leak or break the graph.
#include "app/Settings.h"
#include "dnet/DNetManager.h"
#include "peer/PeerSchema.h"
#include "server/Server.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "wire/MemStream.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// Sockets that never connect complain of every write.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&)
{
}

class Harness
{
public:
    Harness()
    {
        qputenv("HOME", home.path().toUtf8());
        qInstallMessageHandler(Quiet);
    }

    void Run(const uint8_t* data, size_t size)
    {
        Start();
        for (size_t at = 0; at + 3 <= size;) {
            const uint8_t selector = data[at] % 8;
            const size_t length = std::min<size_t>(qFromLittleEndian<uint16_t>(data + at + 1), size - at - 3);
            MemStream body(QByteArray(reinterpret_cast<const char*>(data + at + 3), int(length)));
            at += 3 + length;
            Dispatch(selector, body);
            QCoreApplication::sendPostedEvents();
        }
        Stop();
    }

private:
    // A fresh graph, a session that has just logged in (nothing listens and
    // no event loop runs, so nothing goes out) and the manager with its
    // first connections.
    void Start()
    {
        d.Clear();
        saver = std::make_unique<DataSaver>();
        DeclareSettingsSchema();
        Server::CreateData();
        DeclarePeerNetworkTypes();
        SetSetting("username", "fuzz");
        SetSetting("password", "fuzz");
        SetSetting("server_host", "127.0.0.1");
        SetSetting("server_port", "9");
        server = std::make_unique<Server>();
        server->Connect();
        MemStream accepted;
        accepted.Write(true);
        accepted.Write(std::string("welcome"));
        accepted.Write(uint32_t(0));
        accepted.Write(std::string("digest"));
        accepted.Write(false);
        server->HandleMessage(SM_LOGIN, accepted);
        manager = std::make_unique<DNetManager>();
        made.clear();
        candidates = {NewSocket(), NewSocket()};
        manager->OnDNetConnectionAccepted("ann", candidates[0]);
        manager->OnDNetConnectionAccepted("bob", candidates[1]);
        children = {NewSocket(), NewSocket()};
        manager->OnDNetConnectionRequested("kid", children[0]);
        manager->OnDNetConnectionRequested("kit", children[1]);
    }

    void Stop()
    {
        manager.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        server.reset();
        saver.reset();
        d.Clear();
    }

    QTcpSocket* NewSocket()
    {
        auto* socket = new QTcpSocket;
        made.push_back(socket);
        return socket;
    }

    void Dispatch(uint8_t selector, MemStream& body)
    {
        switch (selector) {
        case 0:
        case 1:
            // A connection the manager let go may still be written to by a
            // peer until it is deleted; it is closed again.
            if (candidates[selector])
                manager->HandleMessage(candidates[selector], body);
            break;
        case 2: manager->OnDNetMessage(body); break;
        case 3:
        case 4:
            if (children[selector - 3])
                manager->HandleChildMessage(children[selector - 3], body);
            break;
        case 5:
            if (made.size() < MaxSockets) {
                QTcpSocket* socket = NewSocket();
                manager->OnDNetConnectionRequested(QString::fromUtf8(body.GetPendingBytes()), socket);
                children[made.size() % 2] = socket;
            }
            break;
        case 6: {
            int32_t minSpeed = 0;
            int32_t ratio = 0;
            uint32_t speed = 0;
            uint32_t passMs = 0;
            body.Read(minSpeed);
            body.Read(ratio);
            body.Read(speed);
            body.Read(passMs);
            manager->OnDNetParentMinSpeed(minSpeed);
            manager->OnDNetParentSpeedConnectionRatio(ratio);
            SetSetting("upload_speed", QString::number(speed));
            manager->OnConnected();
            manager->ExpireSilentConnections(QDateTime::currentDateTime().addMSecs(passMs));
            break;
        }
        case 7: {
            PossibleParentList parents;
            QString user;
            TCPAddress address;
            while (body.Read(user) && body.Read(address.address) && body.Read(address.port))
                parents.emplace_back(user, address);
            manager->OnDNetPossibleParents(parents);
            break;
        }
        }
    }

    static constexpr size_t MaxSockets = 16;

    QTemporaryDir home;
    std::unique_ptr<DataSaver> saver;
    std::unique_ptr<Server> server;
    std::unique_ptr<DNetManager> manager;
    std::vector<QPointer<QTcpSocket>> made;
    std::vector<QPointer<QTcpSocket>> candidates;
    std::vector<QPointer<QTcpSocket>> children;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_dnet_messages";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static Harness harness;
    harness.Run(data, size);
    return 0;
}
