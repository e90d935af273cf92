#include "TestClient.h"

#include <QRandomGenerator>
#include <QtTest>

class TestRobustness : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalNetwork> m_network;
    TestClient* m_bystander = nullptr;

    // The bystander still chats with itself through a room.
    bool BystanderStillServed()
    {
        m_bystander->Forget();
        m_bystander->Send(Message(13, QString("lounge"), QString("still here")));
        return m_bystander->BodyOf(13) == Body(QString("lounge"), QString("bystander"), QString("still here"));
    }

private slots:
    void init()
    {
        localserver::ServerOptions options;
        options.maxQueuedBytes = 256 * 1024;
        m_network = std::make_unique<LocalNetwork>(options);
        m_bystander = m_network->LogIn("bystander");
        QVERIFY(m_bystander);
        m_bystander->Send(Message(9999, QString("whatever"))); // unknown codes are skipped
        m_bystander->Send(Message(41));
        m_bystander->Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(m_bystander->Got(14));
    }

    void cleanup() { m_network.reset(); }

    void BadInputClosesOnlyThatClient_data()
    {
        QTest::addColumn<bool>("logIn");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("length above 1 MiB") << true << Body(uint32_t(1024 * 1024 + 1));
        QTest::newRow("length below 4") << true << Body(uint32_t(3)) + QByteArray(3, 'x');
        QTest::newRow("length 0") << true << Body(uint32_t(0));
        MemStream truncated = Message(13, QString("lounge"));
        truncated.Write(uint32_t(100)); // a text of 100 bytes that never come
        QTest::newRow("truncated field") << true << Frame(truncated);
        QTest::newRow("truncated login") << false << Frame(Message(1, QString("half")));
    }

    void BadInputClosesOnlyThatClient()
    {
        QFETCH(bool, logIn);
        QFETCH(QByteArray, bytes);
        TestClient* bad = logIn ? m_network->LogIn("bad") : m_network->Connect();
        QVERIFY(bad);
        bad->SendRaw(bytes);
        QVERIFY(bad->WaitForDisconnect());
        QTRY_COMPARE_WITH_TIMEOUT(m_network->Server().OnlineUsers(), QStringList{"bystander"}, 5000);
        QVERIFY(BystanderStillServed());
    }

    void RandomBytesNeverStopTheServer()
    {
        QRandomGenerator random(20240601);
        for (int round = 0; round < 20; ++round) {
            const QString name = QStringLiteral("noisy%1").arg(round);
            TestClient* noisy = round % 2 ? m_network->LogIn(name) : m_network->Connect();
            QVERIFY(noisy);
            QByteArray garbage(int(random.bounded(1, 4096)), Qt::Uninitialized);
            for (char& byte : garbage)
                byte = char(random.bounded(256));
            if (round % 4 == 1)
                garbage.prepend(Body(uint32_t(garbage.size()))); // one frame of random content
            noisy->SendRaw(garbage);
            noisy->Socket().disconnectFromHost();
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_network->Server().OnlineUsers(), QStringList{"bystander"}, 5000);
        QVERIFY(BystanderStillServed());
    }

    void AClientThatStopsReadingIsDropped()
    {
        TestClient* sluggish = m_network->LogIn("sluggish");
        QVERIFY(sluggish);
        sluggish->Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(sluggish->Got(14));
        // From now on it takes nothing out of its socket.
        sluggish->Socket().setReadBufferSize(1);
        sluggish->Socket().setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        disconnect(&sluggish->Socket(), nullptr, sluggish, nullptr);

        const QString text(100 * 1024, 'z');
        for (int i = 0; i < 400 && m_network->Server().OnlineUsers().contains("sluggish"); ++i) {
            m_bystander->Send(Message(13, QString("lounge"), text));
            QTest::qWait(1);
            m_bystander->Forget();
        }
        QVERIFY(!m_network->Server().OnlineUsers().contains("sluggish"));
        QVERIFY(m_bystander->Sync());
        QVERIFY(BystanderStillServed());
    }
};

QTEST_GUILESS_MAIN(TestRobustness)
#include "tst_robustness.moc"
