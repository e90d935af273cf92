#include "TestClient.h"

#include <QtTest>

using localserver::ServerOptions;

// Search distribution and the distributed search tree.
class TestSearches : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalNetwork> m_network;
    TestClient* m_alice = nullptr;
    TestClient* m_bob = nullptr;
    TestClient* m_carol = nullptr;

    void Start(bool treeOnly)
    {
        ServerOptions options;
        options.treeOnlySearch = treeOnly;
        m_network = std::make_unique<LocalNetwork>(options);
        m_alice = m_network->LogIn("alice");
        m_bob = m_network->LogIn("bob");
        m_carol = m_network->LogIn("carol");
        QVERIFY(m_alice && m_bob && m_carol);
    }

    static QByteArray Offer(const QString& parent, qint32 port)
    {
        return Body(uint32_t(1), parent, QHostAddress(QHostAddress::LocalHost).toIPv4Address(), port);
    }

private slots:
    void cleanup() { m_network.reset(); }

    void NetworkAndWishListSearchesReachEveryoneElse_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::newRow("network") << 26u;
        QTest::newRow("wish list") << 103u;
    }

    void NetworkAndWishListSearchesReachEveryoneElse()
    {
        QFETCH(quint32, code);
        Start(false);
        m_alice->Send(Message(code, uint32_t(9), QString("pink -floyd")));
        for (TestClient* other : {m_bob, m_carol})
            QCOMPARE(other->BodyOf(26), Body(QString("alice"), uint32_t(9), QString("pink -floyd")));
        QVERIFY(m_alice->GotNo(26));
    }

    void RoomAndUserSearchesReachOnlyTheirTargets()
    {
        Start(false);
        m_alice->Send(Message(14, QString("lounge"), uint32_t(0)));
        m_bob->Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(m_alice->Sync() && m_bob->Sync());
        m_alice->Send(Message(120, QString("lounge"), uint32_t(10), QString("mix")));
        QCOMPARE(m_bob->BodyOf(26), Body(QString("alice"), uint32_t(10), QString("mix")));
        QVERIFY(m_alice->Sync());
        QVERIFY(m_carol->GotNo(26) && m_alice->GotNo(26));
        m_carol->Send(Message(120, QString("lounge"), uint32_t(11), QString("outsider")));
        QVERIFY(m_carol->Sync());
        QVERIFY(m_bob->GotNo(26));

        m_alice->Send(Message(42, QString("carol"), uint32_t(12), QString("jazz")));
        QCOMPARE(m_carol->BodyOf(26), Body(QString("alice"), uint32_t(12), QString("jazz")));
        QVERIFY(m_alice->Sync());
        QVERIFY(m_bob->GotNo(26));

        m_alice->Send(Message(153, QString("jazz")));
        QCOMPARE(m_alice->BodyOf(153), Body(QString("jazz"), uint32_t(0)));
    }

    void TreeOnlySearchesGoToTheRootsAsDistributedMessages()
    {
        Start(true);
        m_bob->Send(Message(71, true)); // bob has a parent, alice and carol do not
        QVERIFY(m_bob->Sync());
        m_carol->Send(Message(26, uint32_t(13), QString("deep")));
        for (TestClient* root : {m_alice, m_carol})
            QCOMPARE(root->BodyOf(93), Body(uint8_t(3), uint32_t(49), QString("carol"), uint32_t(13), QString("deep")));
        QVERIFY(m_carol->Sync());
        QVERIFY(m_bob->GotNo(93) && m_bob->GotNo(26));
    }

    void UsersWithoutParentAreOfferedEarlierUsersThatCanParent()
    {
        Start(false);
        m_alice->Send(Message(2, uint32_t(6000), uint32_t(1), uint32_t(6001)));
        m_alice->Send(Message(100, true));
        // bob and carol have no parent: both are offered alice, not each other.
        for (TestClient* orphan : {m_bob, m_carol})
            QCOMPARE(orphan->BodyOf(102), Offer("alice", 6000));
        QVERIFY(m_alice->GotNo(102));

        // A user already under a parent asks nothing; one that lost it is offered again.
        m_bob->Send(Message(71, true));
        QVERIFY(m_bob->GotNo(102));
        m_bob->Send(Message(71, false));
        QCOMPARE(m_bob->BodyOf(102), Offer("alice", 6000));
    }

    // Parents are older than their children, so that no branch can close on
    // itself: a later user under a parent is still not offered to an earlier
    // orphan. Until a user reports its own speed, it hears the configured one.
    void OnlyEarlierUsersAreOfferedAndTheConfiguredSpeedIsReported()
    {
        ServerOptions options;
        options.userUploadSpeed = 5120;
        m_network = std::make_unique<LocalNetwork>(options);
        m_alice = m_network->LogIn("alice");
        m_bob = m_network->LogIn("bob");
        QVERIFY(m_alice && m_bob);
        m_alice->Send(Message(36, QString("alice")));
        QCOMPARE(m_alice->BodyOf(36), Body(QString("alice"), uint32_t(5120), uint64_t(0), uint32_t(0), uint32_t(0)));

        m_bob->Send(Message(2, uint32_t(6100), uint32_t(0), uint32_t(0)));
        m_bob->Send(Message(71, true));
        m_bob->Send(Message(100, true));
        QVERIFY(m_bob->Sync());
        m_alice->Send(Message(71, false));
        QVERIFY(m_alice->GotNo(102));
        m_alice->Send(Message(121, uint32_t(99)));
        m_bob->Send(Message(36, QString("alice")));
        QCOMPARE(m_bob->BodyOf(36), Body(QString("alice"), uint32_t(99), uint64_t(0), uint32_t(0), uint32_t(0)));
    }

    void NoUserIsOfferedAParentFromItsOwnBranch()
    {
        Start(false);
        // bob sits below carol (carol is its group leader) and could take children.
        m_bob->Send(Message(2, uint32_t(6100), uint32_t(0), uint32_t(0)));
        m_bob->Send(Message(71, true));
        m_bob->Send(Message(127, QString("carol")));
        m_bob->Send(Message(100, true));
        QVERIFY(m_bob->Sync());
        m_carol->Send(Message(71, false));
        QVERIFY(m_carol->GotNo(102));

        m_alice->Send(Message(2, uint32_t(6000), uint32_t(0), uint32_t(0)));
        m_alice->Send(Message(100, true));
        QCOMPARE(m_carol->BodyOf(102), Offer("alice", 6000));
        QVERIFY(m_bob->GotNo(102));
    }
};

QTEST_GUILESS_MAIN(TestSearches)
#include "tst_searches.moc"
