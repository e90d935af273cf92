#include "LocalServer.h"
#include "TestClient.h"

#include <QtTest>

using localserver::LocalServer;
using localserver::ServerOptions;

namespace {

struct Search
{
    QString user;
    quint32 token = 0;
    QString text;
};

Search ReadSearch(MemStream message)
{
    Search search;
    message.Read(search.user);
    message.Read(search.token);
    message.Read(search.text);
    return search;
}

}

class TestSearches : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalServer> m_server;
    std::unique_ptr<TestClient> m_alice, m_bob, m_carol;

    void StartServer(bool treeOnly)
    {
        ServerOptions options;
        options.quiet = true;
        options.treeOnlySearch = treeOnly;
        m_server = std::make_unique<LocalServer>(options);
        QVERIFY(m_server->Listen());
        for (auto* client : {&m_alice, &m_bob, &m_carol})
            *client = std::make_unique<TestClient>();
        QVERIFY(m_alice->Connect(m_server->ServerPort()) && m_alice->LogInAndSettle("alice"));
        QVERIFY(m_bob->Connect(m_server->ServerPort()) && m_bob->LogInAndSettle("bob"));
        QVERIFY(m_carol->Connect(m_server->ServerPort()) && m_carol->LogInAndSettle("carol"));
    }

    bool NothingMoreFor(TestClient& client, quint32 code) { return client.Sync() && !client.HasReceived(code); }

private slots:
    void cleanup()
    {
        m_alice.reset();
        m_bob.reset();
        m_carol.reset();
        m_server.reset();
    }

    void NetworkAndWishListSearchesReachEveryoneElse_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::newRow("network") << 26u;
        QTest::newRow("wish list") << 103u;
    }

    void NetworkAndWishListSearchesReachEveryoneElse()
    {
        QFETCH(quint32, code);
        StartServer(false);
        m_alice->Send(Message(code, uint32_t(9), QString("pink -floyd")));
        for (TestClient* other : {m_bob.get(), m_carol.get()}) {
            Search search = ReadSearch(other->WaitFor(26));
            QCOMPARE(search.user, QStringLiteral("alice"));
            QCOMPARE(search.token, 9u);
            QCOMPARE(search.text, QStringLiteral("pink -floyd"));
        }
        QVERIFY(m_alice->Sync());
        QVERIFY(NothingMoreFor(*m_alice, 26));
    }

    void RoomSearchesReachTheRoomsOtherUsers()
    {
        StartServer(false);
        m_alice->Send(Message(14, QString("lounge"), uint32_t(0)));
        m_bob->Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(m_alice->Sync());
        QVERIFY(m_bob->Sync());
        m_alice->Send(Message(120, QString("lounge"), uint32_t(10), QString("mix")));
        Search search = ReadSearch(m_bob->WaitFor(26));
        QCOMPARE(search.token, 10u);
        QVERIFY(m_alice->Sync());
        QVERIFY(NothingMoreFor(*m_carol, 26));
        QVERIFY(NothingMoreFor(*m_alice, 26));

        m_carol->Send(Message(120, QString("lounge"), uint32_t(11), QString("outsider")));
        QVERIFY(m_carol->Sync());
        QVERIFY(NothingMoreFor(*m_bob, 26));
    }

    void UserSearchesReachThatUserOnly()
    {
        StartServer(false);
        m_alice->Send(Message(42, QString("carol"), uint32_t(12), QString("jazz")));
        Search search = ReadSearch(m_carol->WaitFor(26));
        QCOMPARE(search.user, QStringLiteral("alice"));
        QCOMPARE(search.text, QStringLiteral("jazz"));
        QVERIFY(m_alice->Sync());
        QVERIFY(NothingMoreFor(*m_bob, 26));
    }

    void CorrelationsAreAnEmptyList()
    {
        StartServer(false);
        m_alice->Send(Message(153, QString("jazz")));
        MemStream reply = m_alice->WaitFor(153);
        QString term;
        quint32 count = 1;
        QVERIFY(reply.Read(term) && reply.Read(count));
        QCOMPARE(term, QStringLiteral("jazz"));
        QCOMPARE(count, 0u);
    }

    void TreeOnlySearchesGoToTheRootsAsDistributedMessages()
    {
        StartServer(true);
        m_bob->Send(Message(71, true));  // bob has a parent, alice and carol do not
        QVERIFY(m_bob->Sync());
        m_carol->Send(Message(26, uint32_t(13), QString("deep")));
        for (TestClient* root : {m_alice.get(), m_carol.get()}) {
            MemStream relayed = root->WaitFor(93);
            quint8 code = 0;
            quint32 kind = 0;
            QVERIFY(relayed.Read(code) && relayed.Read(kind));
            QCOMPARE(code, quint8(3));
            QCOMPARE(kind, 49u);
            Search search = ReadSearch(relayed);
            QCOMPARE(search.user, QStringLiteral("carol"));
            QCOMPARE(search.token, 13u);
            QCOMPARE(search.text, QStringLiteral("deep"));
        }
        QVERIFY(m_carol->Sync());
        QVERIFY(NothingMoreFor(*m_bob, 93));
        QVERIFY(NothingMoreFor(*m_bob, 26));
    }

    void UsersWithoutParentAreOfferedEarlierUsersThatCanParent()
    {
        StartServer(false);
        m_alice->Send(Message(2, uint32_t(6000), uint32_t(1), uint32_t(6001)));
        m_alice->Send(Message(100, true));
        QVERIFY(m_alice->Sync());

        // bob and carol have no parent: both are offered alice, not each other.
        for (TestClient* orphan : {m_bob.get(), m_carol.get()}) {
            MemStream offer = orphan->WaitFor(102);
            quint32 count = 0;
            QString user;
            quint32 address = 0;
            qint32 port = 0;
            QVERIFY(offer.Read(count) && offer.Read(user) && offer.Read(address) && offer.Read(port));
            QCOMPARE(count, 1u);
            QCOMPARE(user, QStringLiteral("alice"));
            QCOMPARE(QHostAddress(address), QHostAddress(QHostAddress::LocalHost));
            QCOMPARE(port, 6000);
        }
        QVERIFY(NothingMoreFor(*m_alice, 102));

        // A user already under a parent asks nothing; one that lost it is offered again.
        m_bob->Send(Message(71, true));
        QVERIFY(NothingMoreFor(*m_bob, 102));
        m_bob->Send(Message(71, false));
        QVERIFY(m_bob->WaitFor(102).GetLength() > 0);
    }

    void NoUserIsOfferedAParentFromItsOwnBranch()
    {
        StartServer(false);
        // bob sits below carol (carol is its group leader) and could take children.
        m_bob->Send(Message(2, uint32_t(6100), uint32_t(0), uint32_t(0)));
        m_bob->Send(Message(71, true));
        m_bob->Send(Message(127, QString("carol")));
        m_bob->Send(Message(100, true));
        QVERIFY(m_bob->Sync());
        m_carol->Send(Message(71, false));
        QVERIFY(NothingMoreFor(*m_carol, 102));

        m_alice->Send(Message(2, uint32_t(6000), uint32_t(0), uint32_t(0)));
        m_alice->Send(Message(100, true));
        QVERIFY(m_alice->Sync());
        MemStream offer = m_carol->WaitFor(102);
        quint32 count = 0;
        QString user;
        QVERIFY(offer.Read(count) && offer.Read(user));
        QCOMPARE(count, 1u);
        QCOMPARE(user, QStringLiteral("alice"));
        QVERIFY(NothingMoreFor(*m_bob, 102));
    }
};

QTEST_GUILESS_MAIN(TestSearches)
#include "tst_searches.moc"
