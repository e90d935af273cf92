#include "TestClient.h"

#include <QtTest>

using localserver::ServerOptions;

namespace {

const quint32 Localhost = QHostAddress(QHostAddress::LocalHost).toIPv4Address();

}

// Presence, addresses, brokered connections and private messages.
class TestUsers : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalNetwork> m_network;

private slots:
    void init()
    {
        ServerOptions options;
        options.privileges.insert("vip", 3600);
        m_network = std::make_unique<LocalNetwork>(options);
    }

    void cleanup() { m_network.reset(); }

    void QueriesAboutAUserAreAnswered()
    {
        TestClient* vip = m_network->LogIn("vip");
        TestClient* asker = m_network->LogIn("asker");
        QVERIFY(vip && asker);
        vip->Send(Message(35, uint32_t(3), uint32_t(42)));
        vip->Send(Message(121, uint32_t(5000)));
        vip->Send(Message(2, uint32_t(2235), uint32_t(1), uint32_t(40000)));
        QVERIFY(vip->Sync());
        const QByteArray stats = Body(uint32_t(5000), uint64_t(0), uint32_t(42), uint32_t(3));

        asker->Send(Message(5, QString("vip")));
        QCOMPARE(asker->BodyOf(5), Body(QString("vip"), true, int32_t(2)) + stats + Body(QString()));
        asker->Send(Message(36, QString("vip")));
        QCOMPARE(asker->BodyOf(36), Body(QString("vip")) + stats);
        asker->Send(Message(7, QString("vip")));
        QCOMPARE(asker->BodyOf(7), Body(QString("vip"), int32_t(2), true));
        asker->Send(Message(3, QString("vip")));
        QCOMPARE(asker->BodyOf(3), Body(QString("vip"), Localhost, int32_t(2235), int32_t(1), uint16_t(40000)));

        asker->Send(Message(5, QString("ghost")));
        QCOMPARE(asker->BodyOf(5), Body(QString("ghost"), false));
        asker->Send(Message(7, QString("ghost")));
        QCOMPARE(asker->BodyOf(7), Body(QString("ghost"), int32_t(0), false));
        asker->Send(Message(3, QString("ghost")));
        QCOMPARE(asker->BodyOf(3), Body(QString("ghost"), uint32_t(0), int32_t(0), int32_t(0), uint16_t(0)));
    }

    void WatchersHearOfLoginStatusChangesAndLogout()
    {
        TestClient* early = m_network->LogIn("vip"); // the account must exist to be watched
        TestClient* watcher = m_network->LogIn("watcher");
        TestClient* other = m_network->LogIn("other");
        QVERIFY(early && watcher && other && m_network->LogOut(early, "vip"));
        watcher->Send(Message(5, QString("vip")));
        watcher->Send(Message(5, QString("other")));
        watcher->Send(Message(6, QString("other")));
        QVERIFY(watcher->Got(5) && watcher->Got(5));

        TestClient* vip = m_network->LogIn("vip");
        QVERIFY(vip);
        QCOMPARE(watcher->BodyOf(7), Body(QString("vip"), int32_t(2), true));
        other->Send(Message(28, uint32_t(1))); // unwatched: no news
        vip->Send(Message(28, uint32_t(1)));
        QCOMPARE(watcher->BodyOf(7), Body(QString("vip"), int32_t(1), true));
        vip->Send(Message(28, uint32_t(1))); // no change, no news
        vip->Send(Message(28, uint32_t(2)));
        QCOMPARE(watcher->BodyOf(7), Body(QString("vip"), int32_t(2), true));
        vip->Socket().disconnectFromHost();
        QCOMPARE(watcher->BodyOf(7), Body(QString("vip"), int32_t(0), true));
        QVERIFY(other->Sync());
        QVERIFY(watcher->GotNo(7));
    }

    void ABrokeredRequestReachesThePeerWithTheRequestersAddress_data()
    {
        QTest::addColumn<quint32>("obfuscation");
        QTest::addColumn<QByteArray>("obfuscatedPort");
        QTest::newRow("plain") << 0u << QByteArray();
        QTest::newRow("obfuscated") << 1u << Body(int32_t(5001));
    }

    void ABrokeredRequestReachesThePeerWithTheRequestersAddress()
    {
        QFETCH(quint32, obfuscation);
        QFETCH(QByteArray, obfuscatedPort);
        TestClient* vip = m_network->LogIn("vip");
        TestClient* bob = m_network->LogIn("bob");
        QVERIFY(vip && bob);
        vip->Send(Message(2, uint32_t(5000), obfuscation, uint32_t(5001)));
        vip->Send(Message(18, uint32_t(77), QString("bob"), QString("P")));
        QCOMPARE(bob->BodyOf(18),
                 Body(QString("vip"), QString("P"), Localhost, int32_t(5000), uint32_t(77), true, int32_t(obfuscation))
                     + obfuscatedPort);

        // The failure goes back with the token; a request to an offline user fails at once.
        bob->Send(Message(1001, uint32_t(77), QString("vip")));
        QCOMPARE(vip->BodyOf(1001), Body(uint32_t(77)));
        vip->Send(Message(18, uint32_t(78), QString("ghost"), QString("F")));
        QCOMPARE(vip->BodyOf(1001), Body(uint32_t(78)));
    }

    void PrivateMessagesStayUntilTheRecipientAcknowledgesThem()
    {
        TestClient* alice = m_network->LogIn("alice");
        TestClient* bob = m_network->LogIn("bob");
        QVERIFY(alice && bob);
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        alice->Send(Message(22, QString("bob"), QString("hi bob")));
        const auto [id, timestamp, from, text, live] = Fields<qint32, qint32, QString, QString, bool>(bob->WaitFor(22));
        QCOMPARE(std::make_tuple(from, text, live), std::make_tuple(QString("alice"), QString("hi bob"), true));
        QVERIFY(timestamp >= before && timestamp <= QDateTime::currentSecsSinceEpoch());

        // Not acknowledged, it comes again at the next login, before what was
        // sent while bob was away; a message to nobody is dropped.
        QVERIFY(m_network->LogOut(bob, "bob"));
        alice->Send(Message(22, QString("bob"), QString("second")));
        alice->Send(Message(22, QString("nobody"), QString("lost")));
        QVERIFY(alice->Sync());
        bob = m_network->Connect();
        QVERIFY(bob && bob->LogInAndSettle("bob"));
        QCOMPARE(bob->BodyOf(22), Body(id, timestamp, QString("alice"), QString("hi bob"), false));
        const auto [secondId, secondTime, secondFrom, secondText]
            = Fields<qint32, qint32, QString, QString>(bob->WaitFor(22));
        QCOMPARE(std::make_tuple(secondFrom, secondText), std::make_tuple(QString("alice"), QString("second")));
        QVERIFY(secondId != id);
        QVERIFY(bob->GotNo(22));

        // Only the recipient's acknowledgement counts.
        bob->Send(Message(23, uint32_t(id)));
        alice->Send(Message(23, uint32_t(secondId)));
        QVERIFY(bob->Sync() && alice->Sync() && m_network->LogOut(bob, "bob"));
        bob = m_network->Connect();
        QVERIFY(bob && bob->LogInAndSettle("bob"));
        QCOMPARE(std::get<0>(Fields<qint32>(bob->WaitFor(22))), secondId);
        QVERIFY(bob->GotNo(22));
    }
};

QTEST_GUILESS_MAIN(TestUsers)
#include "tst_users.moc"
