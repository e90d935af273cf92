#include "ChildClient.h"
#include "ClientRole.h"
#include "SessionGraph.h"
#include "WaitUntil.h"

#include "LocalServer.h"
#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The session against the local network server on loopback. This process's
// client core is "alice"; the other users are client cores in child processes.
class TestNetwork : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    std::unique_ptr<localserver::LocalServer> network;
    quint16 port = 0;
    std::unique_ptr<SessionGraph> graph;
    std::unique_ptr<Server> alice;

    bool StartNetwork(quint16 onPort = 0)
    {
        localserver::ServerOptions options;
        options.quiet = true;
        network = std::make_unique<localserver::LocalServer>(options);
        if (!network->Listen(QHostAddress::LocalHost, onPort))
            return false;
        port = network->ServerPort();
        return true;
    }

    bool LogInAlice()
    {
        SetSetting("server_port", QString::number(port));
        alice->Connect();
        return WaitUntil([&] { return alice->IsConnected(); });
    }

    static ItemPtr User(const char* name) { return d.GetType("user")->GetItem(name); }

private slots:
    void initTestCase() { qputenv("HOME", home.path().toLocal8Bit()); }

    void init()
    {
        QVERIFY(StartNetwork());
        graph = std::make_unique<SessionGraph>();
        alice = std::make_unique<Server>();
        SetSetting("server_host", "127.0.0.1");
        SetSetting("username", "alice");
        SetSetting("password", "secret");
    }

    void cleanup()
    {
        alice.reset();
        graph.reset();
        network.reset();
    }

    void loginAndItsRefusals()
    {
        QSignalSpy failed(alice.get(), &Server::ConnectionFailed);
        QVERIFY(LogInAlice());
        alice->Disconnect();

        SetSetting("password", "wrong");
        alice->Connect();
        QVERIFY(WaitUntil([&] { return failed.count() == 1; }));
        QCOMPARE(failed.at(0).at(0).toString(), QString("INVALIDPASS"));

        SetSetting("username", " alice");
        alice->Connect();
        QVERIFY(WaitUntil([&] { return failed.count() == 2; }));
        QCOMPARE(failed.at(1).at(0).toString(), QString("INVALIDUSERNAME"));
        QCOMPARE(alice->GetState(), 0);
    }

    void watchedUserAcrossADropAwayAndOffline()
    {
        QVERIFY(LogInAlice());
        ChildClient child;
        QVERIFY(child.Start(port, "bob"));
        QVERIFY(child.WaitFor({"CONNECTED"}));
        alice->TrackUser("bob");
        ItemPtr bob = User("bob");
        QVERIFY(WaitUntil([&] { return bob.IsConnected("is_online"); }));

        QSignalSpy disconnected(alice.get(), &Server::Disconnected);
        network.reset();
        QVERIFY(WaitUntil([&] { return disconnected.count() == 1; }));
        QVERIFY(alice->IsAbruptlyDisconnected());
        QVERIFY(!bob.IsConnected("is_online"));
        QVERIFY(child.WaitFor({"DISCONNECTED"}));

        QVERIFY(StartNetwork(port));
        QVERIFY(child.WaitFor({"CONNECTED"}));
        alice->AttemptReconnect();
        QVERIFY(WaitUntil([&] { return alice->IsConnected(); }));
        QVERIFY(WaitUntil([&] { return bob.IsConnected("is_online"); }));
        QVERIFY(!bob.IsConnected("is_away"));

        child.Command({"away"});
        QVERIFY(WaitUntil([&] { return bob.IsConnected("is_away"); }));
        QVERIFY(bob.IsConnected("is_online"));
        QVERIFY(child.Quit());
        QVERIFY(WaitUntil([&] { return !bob.IsConnected("is_online"); }));
    }

    void roomJoinChatAndLeave()
    {
        QVERIFY(LogInAlice());
        alice->EnterRoom("lobby", false);
        ItemPtr lobby = d.GetType("room")->GetItem("lobby");
        QVERIFY(WaitUntil([&] { return lobby.IsConnected("in_room"); }));
        QSignalSpy chat(alice.get(), &Server::RoomChat);

        ChildClient child;
        QVERIFY(child.Start(port, "bob"));
        QVERIFY(child.WaitFor({"CONNECTED"}));
        child.Command({"join", "lobby"});
        QVERIFY(WaitUntil([&] { return User("bob").IsConnected(lobby); }));
        child.Command({"say", "lobby", "hi all"});
        QVERIFY(WaitUntil([&] { return chat.count() == 1; }));
        QCOMPARE(chat.at(0), (QList<QVariant>{"lobby", "bob", "hi all"}));
        alice->SendRoomChat("lobby", "hello bob");
        QVERIFY(child.WaitFor({"CHAT", "lobby", "alice", "hello bob"}));
        child.Command({"leave", "lobby"});
        QVERIFY(WaitUntil([&] { return !User("bob").IsConnected(lobby); }));
        QVERIFY(User("alice").IsConnected(lobby));
        QVERIFY(child.Quit());
    }

    void privateMessagesAndSearchesBothWays()
    {
        QVERIFY(LogInAlice());
        QSignalSpy chat(alice.get(), &Server::PrivateChat);
        QSignalSpy searches(alice.get(), &Server::DirectFileSearch);
        ChildClient child;
        QVERIFY(child.Start(port, "bob"));
        QVERIFY(child.WaitFor({"CONNECTED"}));

        alice->SendPrivateChat("bob", "hello\nbob");
        QVERIFY(child.WaitFor({"PM", "alice", "hello bob"}));
        child.Command({"pm", "alice", "hello alice"});
        QVERIFY(WaitUntil([&] { return chat.count() == 1; }));
        QCOMPARE(chat.at(0).at(0).toString(), QString("bob"));
        QCOMPARE(chat.at(0).at(1).toString(), QString("hello alice"));

        // The search goes through the server after the message, so when it
        // arrives the message has been handled.
        User("bob").NewItem("is_ignored");
        child.Command({"pm", "alice", "spam"});
        child.Command({"search", "pink floyd"});
        QVERIFY(WaitUntil([&] { return searches.count() == 1; }));
        QCOMPARE(chat.count(), 1);
        QCOMPARE(searches.at(0), (QList<QVariant>{"bob", 1u, "pink floyd"}));

        // Acknowledged: logging in again brings no undelivered message back.
        User("bob").Disconnect("is_ignored");
        alice->Disconnect();
        QVERIFY(LogInAlice());
        child.Command({"search", "second sync"});
        QVERIFY(WaitUntil([&] { return searches.count() == 2; }));
        QCOMPARE(chat.count(), 1);

        const unsigned int token = alice->FileSearch("dark side", false);
        QVERIFY(child.WaitFor({"SEARCH", "alice", QString::number(token), "dark side"}));
        QVERIFY(child.Quit());
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == ClientRoleArgument)
        return RunClientRole(argc, argv);
    QCoreApplication application(argc, argv);
    TestNetwork test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_network.moc"
