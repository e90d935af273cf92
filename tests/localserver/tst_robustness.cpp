#include "LocalServer.h"
#include "TestClient.h"

#include <QRandomGenerator>
#include <QtTest>

using localserver::LocalServer;
using localserver::ServerOptions;

class TestRobustness : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalServer> m_server;
    std::unique_ptr<TestClient> m_bystander;

    static QByteArray LengthWord(quint32 length)
    {
        QByteArray word(4, Qt::Uninitialized);
        qToLittleEndian<quint32>(length, word.data());
        return word;
    }

    // The bystander still chats with itself through a room.
    bool BystanderStillServed()
    {
        m_bystander->Send(Message(13, QString("lounge"), QString("still here")));
        MemStream chat = m_bystander->WaitFor(13);
        QString room, user, text;
        return chat.Read(room) && chat.Read(user) && chat.Read(text) && text == QStringLiteral("still here");
    }

private slots:
    void init()
    {
        ServerOptions options;
        options.quiet = true;
        options.maxQueuedBytes = 256 * 1024;
        m_server = std::make_unique<LocalServer>(options);
        QVERIFY(m_server->Listen());
        m_bystander = std::make_unique<TestClient>();
        QVERIFY(m_bystander->Connect(m_server->ServerPort()));
        QVERIFY(m_bystander->LogInAndSettle("bystander"));
        m_bystander->Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(m_bystander->WaitFor(14).GetLength() > 0);
    }

    void cleanup()
    {
        m_bystander.reset();
        m_server.reset();
    }

    void UnframeableInputClosesOnlyThatClient_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("length above 1 MiB") << LengthWord(1024 * 1024 + 1);
        QTest::newRow("length below 4") << LengthWord(3) + QByteArray(3, 'x');
        QTest::newRow("length 0") << LengthWord(0);
    }

    void UnframeableInputClosesOnlyThatClient()
    {
        QFETCH(QByteArray, bytes);
        TestClient bad;
        QVERIFY(bad.Connect(m_server->ServerPort()));
        QVERIFY(bad.LogInAndSettle("bad"));
        bad.SendRaw(bytes);
        QVERIFY(bad.WaitForDisconnect());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->OnlineUsers(), QStringList{"bystander"}, 5000);
        QVERIFY(BystanderStillServed());
    }

    void AMalformedMessageClosesTheSession()
    {
        TestClient bad;
        QVERIFY(bad.Connect(m_server->ServerPort()));
        QVERIFY(bad.LogInAndSettle("bad"));
        MemStream truncated = Message(13, QString("lounge"));
        truncated.Write(uint32_t(100));  // a text of 100 bytes that never come
        bad.Send(truncated);
        QVERIFY(bad.WaitForDisconnect());
        QVERIFY(BystanderStillServed());
    }

    void AMalformedLoginClosesTheConnection()
    {
        TestClient bad;
        QVERIFY(bad.Connect(m_server->ServerPort()));
        bad.Send(Message(1, QString("half")));
        QVERIFY(bad.WaitForDisconnect());
        QVERIFY(BystanderStillServed());
    }

    void UnknownCodesAreSkipped()
    {
        TestClient odd;
        QVERIFY(odd.Connect(m_server->ServerPort()));
        QVERIFY(odd.LogInAndSettle("odd"));
        odd.Send(Message(9999, QString("whatever")));
        odd.Send(Message(41));
        QVERIFY(odd.Sync());
        QVERIFY(odd.IsConnected());
    }

    void RandomBytesNeverStopTheServer()
    {
        QRandomGenerator random(20240601);
        for (int round = 0; round < 20; ++round) {
            TestClient noisy;
            QVERIFY(noisy.Connect(m_server->ServerPort()));
            if (round % 2)
                QVERIFY(noisy.LogInAndSettle(QStringLiteral("noisy%1").arg(round)));
            QByteArray garbage(int(random.bounded(1, 4096)), Qt::Uninitialized);
            for (char& byte : garbage)
                byte = char(random.bounded(256));
            if (round % 4 == 1)
                garbage.prepend(LengthWord(quint32(garbage.size())));  // one frame of random content
            noisy.SendRaw(garbage);
            noisy.Socket().disconnectFromHost();
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->OnlineUsers(), QStringList{"bystander"}, 5000);
        QVERIFY(BystanderStillServed());
    }

    void AClientThatStopsReadingIsDropped()
    {
        TestClient sluggish;
        QVERIFY(sluggish.Connect(m_server->ServerPort()));
        QVERIFY(sluggish.LogInAndSettle("sluggish"));
        sluggish.Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(sluggish.WaitFor(14).GetLength() > 0);
        // From now on it takes nothing out of its socket.
        sluggish.Socket().setReadBufferSize(1);
        sluggish.Socket().setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        disconnect(&sluggish.Socket(), nullptr, &sluggish, nullptr);

        const QString text(100 * 1024, 'z');
        for (int i = 0; i < 400 && m_server->OnlineUsers().contains("sluggish"); ++i) {
            m_bystander->Send(Message(13, QString("lounge"), text));
            QTest::qWait(1);
            m_bystander->Forget();
        }
        QVERIFY(!m_server->OnlineUsers().contains("sluggish"));
        QVERIFY(m_bystander->Sync());
        m_bystander->Forget();
        QVERIFY(BystanderStillServed());
    }
};

QTEST_GUILESS_MAIN(TestRobustness)
#include "tst_robustness.moc"
