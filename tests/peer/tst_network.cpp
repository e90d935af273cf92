#include "Loopback.h"
#include "PeerChild.h"
#include "PeerTestKit.h"
#include "TestCore.h"

#include "LocalServer.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "store/Data.h"
#include "wire/FrameWriter.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

void Say(const QString& user, const QString& text)
{
    MemStream message = BuildMessage(uint32_t(PM_UPLOAD_PLACE_IN_LINE_REQUEST), text);
    peerMessenger->SendMessage(user, message);
}

} // namespace

// Client cores that meet through the local network server on loopback: alice
// in this process, the others in child processes, each with its own home.
class TestPeerNetwork : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<localserver::LocalServer> network;
    std::unique_ptr<TestCore> alice;
    quint16 networkPort = 0;

    bool StartChild(PeerChild& child, const QString& name, quint16 port, quint16 obfuscatedPort, bool listens = true)
    {
        if (!child.Start(networkPort, name, port, obfuscatedPort))
            return false;
        const QStringList listening = listens
            ? QStringList{"LISTENING", QString::number(port), QString::number(obfuscatedPort)}
            : QStringList{"LISTENFAILED", QString::number(port)};
        return child.WaitFor(listening) && child.WaitFor({"CONNECTED"});
    }

private slots:
    void initTestCase() { qRegisterMetaType<ItemPtr>("ItemPtr"); }

    void init()
    {
        localserver::ServerOptions options;
        options.quiet = true;
        network = std::make_unique<localserver::LocalServer>(options);
        QVERIFY(network->Listen(QHostAddress::LocalHost, 0));
        networkPort = network->ServerPort();
        const std::vector<quint16> ports = FreePorts(2);
        alice = std::make_unique<TestCore>(TestCore::Options{"alice", networkPort, ports[0], ports[1], {}});
        alice->Connect();
        QVERIFY(WaitUntil([&] { return alice->Session().IsConnected(); }));
    }

    void cleanup()
    {
        alice.reset();
        network.reset();
    }

    // Messages to a user without a connection wait, then go out in order
    // once the direct connection (on bob's obfuscated port) stands; bob's
    // answers and his information come back over it, his core answering by
    // itself.
    void queuedMessagesGoOutOnceTheConnectionStands()
    {
        PeerChild bob;
        const std::vector<quint16> ports = FreePorts(2);
        QVERIFY(StartChild(bob, "bob", ports[0], ports[1]));
        bob.Command({"set", "user_description", "Tapes from 1974"});
        bob.Command({"set", "upload_slots", "3"});
        QSignalSpy said(&alice->Messenger(), &PeerMessenger::UploadPlaceInLineRequested);
        QSignalSpy info(&alice->Messenger(), &PeerMessenger::UserInfoReceived);

        for (const char* text : {"one", "two", "three"})
            Say("bob", text);
        for (const char* text : {"one", "two", "three"})
            QVERIFY(bob.WaitFor({"SAID", "alice", text, "yes"}));
        peerMessenger->GetUserInfo("bob");
        bob.Command({"say", "alice", "back"});
        QVERIFY(WaitUntil([&] { return said.count() == 1 && info.count() == 1; }));
        QCOMPARE(said.at(0), (QList<QVariant>{"bob", "back"}));
        QCOMPARE(info.at(0).at(1).toString(), QString("Tapes from 1974"));
        QCOMPARE(info.at(0).at(4).toInt(), 3);
        ItemSet connections = d.GetType("user")->GetItem("bob").GetItems("peer_socket");
        QCOMPARE(connections.Size(), size_t(1));
        QVERIFY(connections.First().IsConnected("is_obfuscated"));

        bob.Command({"info", "alice"});
        QVERIFY(bob.WaitFor({"INFO", "alice", "", "1", "0", "yes"}));
        QVERIFY(bob.Quit());
    }

    // Carol's ports are taken, so nobody reaches her directly; her client
    // tells her, and the server's brokering brings alice's messages anyway.
    void brokeredWhenTheDirectPortIsClosed()
    {
        const std::vector<quint16> ports = FreePorts(2);
        std::vector<std::unique_ptr<QTcpSocket>> blockers;
        for (quint16 blocked : ports) {
            blockers.push_back(std::make_unique<QTcpSocket>());
            QVERIFY(blockers.back()->bind(QHostAddress::LocalHost, blocked, QAbstractSocket::DontShareAddress));
        }
        PeerChild carol;
        QVERIFY(StartChild(carol, "carol", ports[0], ports[1], false));

        SetSetting("show_diagnostics", "yes");
        QSignalSpy logged(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        QSignalSpy failed(&alice->Messenger(), &PeerMessenger::ConnectionToUserFailed);
        Say("carol", "one");
        Say("carol", "two");
        QVERIFY(carol.WaitFor({"SAID", "alice", "one", "yes"}));
        QVERIFY(carol.WaitFor({"SAID", "alice", "two", "yes"}));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(d.GetType("connect_to_peer_request")->ItemCount(), size_t(0));
        QStringList lines;
        for (const QList<QVariant>& line : logged)
            lines << line.at(1).toString().section("] ", 1);
        QVERIFY(lines.contains("Direct connection of type P to user carol failed"));
        QVERIFY(lines.contains("Found req, accepted obfuscated indirect connection to user carol, connection type P"));
        QVERIFY(carol.Quit());
    }

    void unreachableUserFailsOnce()
    {
        QSignalSpy failed(&alice->Messenger(), &PeerMessenger::ConnectionToUserFailed);
        alice->Messenger().ConnectToUser("nobody", "P");
        alice->Messenger().ConnectToUser("nobody", "P");
        QVERIFY(WaitUntil([&] { return failed.count() == 1; }));
        QTest::qWait(100);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0), (QList<QVariant>{"nobody", "P"}));
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == PeerRoleArgument)
        return RunPeerRole(argc, argv);
    QCoreApplication application(argc, argv);
    TestPeerNetwork test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_network.moc"
