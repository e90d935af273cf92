#include "LocalServer.h"
#include "TestClient.h"

#include <QtTest>

using localserver::LocalServer;
using localserver::ServerOptions;

namespace {

struct Delivered
{
    qint32 id = 0;
    qint32 timestamp = 0;
    QString from;
    QString text;
    bool live = false;
};

bool ReadDelivered(MemStream message, Delivered& delivered)
{
    return message.Read(delivered.id) && message.Read(delivered.timestamp) && message.Read(delivered.from)
           && message.Read(delivered.text) && message.Read(delivered.live);
}

}

class TestPrivateMessages : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalServer> m_server;

    std::unique_ptr<TestClient> LogIn(const QString& name)
    {
        auto client = std::make_unique<TestClient>();
        if (!client->Connect(m_server->ServerPort()) || !client->LogInAndSettle(name))
            return nullptr;
        return client;
    }

    void LogOut(std::unique_ptr<TestClient>& client)
    {
        client.reset();
        QTRY_VERIFY_WITH_TIMEOUT(m_server->OnlineUsers().size() <= 1, 5000);
    }

private slots:
    void init()
    {
        ServerOptions options;
        options.quiet = true;
        m_server = std::make_unique<LocalServer>(options);
        QVERIFY(m_server->Listen());
    }

    void cleanup() { m_server.reset(); }

    void OnlineUsersGetMessagesAtOnce()
    {
        auto alice = LogIn("alice");
        auto bob = LogIn("bob");
        QVERIFY(alice && bob);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        alice->Send(Message(22, QString("bob"), QString("hi bob")));
        Delivered message;
        QVERIFY(ReadDelivered(bob->WaitFor(22), message));
        QCOMPARE(message.from, QStringLiteral("alice"));
        QCOMPARE(message.text, QStringLiteral("hi bob"));
        QVERIFY(message.live);
        QVERIFY(message.timestamp >= before && message.timestamp <= QDateTime::currentSecsSinceEpoch());
        bob->Send(Message(23, uint32_t(message.id)));
        QVERIFY(bob->Sync());
    }

    void MessagesToOfflineUsersWaitForTheirNextLogin()
    {
        auto bob = LogIn("bob");
        QVERIFY(bob);
        LogOut(bob);
        auto alice = LogIn("alice");
        QVERIFY(alice);
        alice->Send(Message(22, QString("bob"), QString("first")));
        alice->Send(Message(22, QString("bob"), QString("second")));
        alice->Send(Message(22, QString("nobody"), QString("lost")));
        QVERIFY(alice->Sync());

        bob = LogIn("bob");
        QVERIFY(bob);
        Delivered first, second;
        QVERIFY(ReadDelivered(bob->WaitFor(22), first));
        QVERIFY(ReadDelivered(bob->WaitFor(22), second));
        QCOMPARE(first.text, QStringLiteral("first"));
        QCOMPARE(second.text, QStringLiteral("second"));
        QVERIFY(!first.live);
        QVERIFY(first.id != second.id);

        // Only the acknowledged one is forgotten.
        bob->Send(Message(23, uint32_t(first.id)));
        QVERIFY(bob->Sync());
        LogOut(bob);
        bob = LogIn("bob");
        QVERIFY(bob);
        Delivered again;
        QVERIFY(ReadDelivered(bob->WaitFor(22), again));
        QCOMPARE(again.id, second.id);
        QVERIFY(bob->Sync());
        QVERIFY(!bob->HasReceived(22));
    }

    void OnlyTheRecipientCanAcknowledge()
    {
        auto alice = LogIn("alice");
        auto bob = LogIn("bob");
        QVERIFY(alice && bob);
        alice->Send(Message(22, QString("bob"), QString("mine")));
        Delivered message;
        QVERIFY(ReadDelivered(bob->WaitFor(22), message));
        alice->Send(Message(23, uint32_t(message.id)));
        QVERIFY(alice->Sync());
        LogOut(bob);
        bob = LogIn("bob");
        QVERIFY(bob);
        QVERIFY(ReadDelivered(bob->WaitFor(22), message));
        QCOMPARE(message.text, QStringLiteral("mine"));
    }
};

QTEST_GUILESS_MAIN(TestPrivateMessages)
#include "tst_privatemessages.moc"
