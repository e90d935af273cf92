#include "LocalServer.h"
#include "TestClient.h"

#include <QtTest>

using localserver::LocalServer;
using localserver::ServerOptions;

class TestBrokering : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalServer> m_server;
    TestClient m_alice, m_bob;

private slots:
    void initTestCase()
    {
        ServerOptions options;
        options.quiet = true;
        options.privileges.insert("alice", 600);
        m_server = std::make_unique<LocalServer>(options);
        QVERIFY(m_server->Listen());
        QVERIFY(m_alice.Connect(m_server->ServerPort()));
        QVERIFY(m_alice.LogInAndSettle("alice"));
        QVERIFY(m_bob.Connect(m_server->ServerPort()));
        QVERIFY(m_bob.LogInAndSettle("bob"));
    }

    void ARequestReachesThePeerWithTheRequestersAddress_data()
    {
        QTest::addColumn<quint32>("obfuscation");
        QTest::newRow("plain") << 0u;
        QTest::newRow("obfuscated") << 1u;
    }

    void ARequestReachesThePeerWithTheRequestersAddress()
    {
        QFETCH(quint32, obfuscation);
        m_alice.Send(Message(2, uint32_t(5000), uint32_t(obfuscation), uint32_t(5001)));
        m_alice.Send(Message(18, uint32_t(77), QString("bob"), QString("P")));
        MemStream request = m_bob.WaitFor(18);
        QString user, type;
        quint32 address = 0, token = 0;
        qint32 port = 0, type_ = -1;
        bool privileged = false;
        QVERIFY(request.Read(user) && request.Read(type) && request.Read(address) && request.Read(port)
                && request.Read(token) && request.Read(privileged) && request.Read(type_));
        QCOMPARE(user, QStringLiteral("alice"));
        QCOMPARE(type, QStringLiteral("P"));
        QCOMPARE(QHostAddress(address), QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(port, 5000);
        QCOMPARE(token, 77u);
        QVERIFY(privileged);
        QCOMPARE(quint32(type_), obfuscation);
        if (obfuscation == 1) {
            qint32 obfuscatedPort = 0;
            QVERIFY(request.Read(obfuscatedPort));
            QCOMPARE(obfuscatedPort, 5001);
        }
        QCOMPARE(request.GetPendingReadLength(), 0u);
    }

    void AFailureGoesBackToTheRequesterWithTheToken()
    {
        m_bob.Send(Message(1001, uint32_t(77), QString("alice")));
        quint32 token = 0;
        QVERIFY(m_alice.WaitFor(1001).Read(token));
        QCOMPARE(token, 77u);
    }

    void ARequestToAnOfflineUserFailsAtOnce()
    {
        m_alice.Send(Message(18, uint32_t(78), QString("ghost"), QString("F")));
        quint32 token = 0;
        QVERIFY(m_alice.WaitFor(1001).Read(token));
        QCOMPARE(token, 78u);
    }
};

QTEST_GUILESS_MAIN(TestBrokering)
#include "tst_brokering.moc"
