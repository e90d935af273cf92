#include "LocalServer.h"
#include "TestClient.h"

#include <QtTest>

using localserver::LocalServer;
using localserver::ServerOptions;

namespace {

struct Status
{
    QString user;
    qint32 status = -1;
    bool privileged = false;
};

Status ReadStatus(MemStream message)
{
    Status status;
    message.Read(status.user);
    message.Read(status.status);
    message.Read(status.privileged);
    return status;
}

}

class TestPresence : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalServer> m_server;

private slots:
    void init()
    {
        ServerOptions options;
        options.quiet = true;
        options.privileges.insert("vip", 3600);
        m_server = std::make_unique<LocalServer>(options);
        QVERIFY(m_server->Listen());
    }

    void cleanup() { m_server.reset(); }

    void WatchingAnswersWhetherTheUserExistsAndHowItIs()
    {
        TestClient vip, watcher;
        QVERIFY(vip.Connect(m_server->ServerPort()));
        QVERIFY(vip.LogInAndSettle("vip"));
        vip.Send(Message(35, uint32_t(3), uint32_t(42)));
        vip.Send(Message(121, uint32_t(5000)));
        QVERIFY(vip.Sync());

        QVERIFY(watcher.Connect(m_server->ServerPort()));
        QVERIFY(watcher.LogInAndSettle("watcher"));
        watcher.Send(Message(5, QString("vip")));
        MemStream reply = watcher.WaitFor(5);
        QString name, country;
        bool exists = false;
        qint32 status = 0;
        quint32 speed = 0, files = 0, folders = 0;
        quint64 uploads = 0;
        QVERIFY(reply.Read(name) && reply.Read(exists) && reply.Read(status));
        QVERIFY(reply.Read(speed) && reply.Read(uploads) && reply.Read(files) && reply.Read(folders));
        QVERIFY(reply.Read(country));
        QCOMPARE(name, QStringLiteral("vip"));
        QVERIFY(exists);
        QCOMPARE(status, 2);
        QCOMPARE(speed, 5000u);
        QCOMPARE(files, 42u);
        QCOMPARE(folders, 3u);

        watcher.Send(Message(5, QString("nobody")));
        MemStream unknown = watcher.WaitFor(5);
        QVERIFY(unknown.Read(name) && unknown.Read(exists));
        QVERIFY(!exists);
        QCOMPARE(unknown.GetPendingReadLength(), 0u);

        watcher.Send(Message(36, QString("vip")));
        MemStream stats = watcher.WaitFor(36);
        QVERIFY(stats.Read(name) && stats.Read(speed) && stats.Read(uploads) && stats.Read(files));
        QCOMPARE(files, 42u);
    }

    void WatchersHearOfLoginStatusChangesAndLogout()
    {
        TestClient watcher;
        QVERIFY(watcher.Connect(m_server->ServerPort()));
        QVERIFY(watcher.LogInAndSettle("watcher"));
        {
            TestClient early;  // the account must exist to be watched
            QVERIFY(early.Connect(m_server->ServerPort()));
            QVERIFY(early.LogInAndSettle("vip"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_server->OnlineUsers(), QStringList{"watcher"}, 5000);
        watcher.Send(Message(5, QString("vip")));
        QVERIFY(watcher.WaitFor(5).GetLength() > 0);

        TestClient vip;
        QVERIFY(vip.Connect(m_server->ServerPort()));
        QVERIFY(vip.LogInAndSettle("vip"));
        Status online = ReadStatus(watcher.WaitFor(7));
        QCOMPARE(online.user, QStringLiteral("vip"));
        QCOMPARE(online.status, 2);
        QVERIFY(online.privileged);

        vip.Send(Message(28, uint32_t(1)));
        QCOMPARE(ReadStatus(watcher.WaitFor(7)).status, 1);
        vip.Send(Message(28, uint32_t(1)));  // no change, no news
        vip.Send(Message(28, uint32_t(2)));
        QCOMPARE(ReadStatus(watcher.WaitFor(7)).status, 2);

        vip.Socket().disconnectFromHost();
        Status offline = ReadStatus(watcher.WaitFor(7));
        QCOMPARE(offline.user, QStringLiteral("vip"));
        QCOMPARE(offline.status, 0);
        QVERIFY(watcher.Sync());
        QVERIFY(!watcher.HasReceived(7));
    }

    void UnwatchedUsersAreNotReported()
    {
        TestClient watcher, other;
        QVERIFY(watcher.Connect(m_server->ServerPort()));
        QVERIFY(watcher.LogInAndSettle("watcher"));
        QVERIFY(other.Connect(m_server->ServerPort()));
        QVERIFY(other.LogInAndSettle("other"));
        watcher.Send(Message(5, QString("other")));
        watcher.Send(Message(6, QString("other")));
        QVERIFY(watcher.Sync());
        other.Send(Message(28, uint32_t(1)));
        QVERIFY(other.Sync());
        QVERIFY(watcher.Sync());
        QVERIFY(!watcher.HasReceived(7));
    }

    void StatusRequestsAreAnswered()
    {
        TestClient asker, vip;
        QVERIFY(asker.Connect(m_server->ServerPort()));
        QVERIFY(asker.LogInAndSettle("asker"));
        QVERIFY(vip.Connect(m_server->ServerPort()));
        QVERIFY(vip.LogInAndSettle("vip"));
        asker.Send(Message(7, QString("vip")));
        Status status = ReadStatus(asker.WaitFor(7));
        QCOMPARE(status.status, 2);
        QVERIFY(status.privileged);
        asker.Send(Message(7, QString("ghost")));
        QCOMPARE(ReadStatus(asker.WaitFor(7)).status, 0);
    }

    void AddressesComeFromTheSessionAndTheAnnouncedPorts()
    {
        TestClient asker, peer;
        QVERIFY(asker.Connect(m_server->ServerPort()));
        QVERIFY(asker.LogInAndSettle("asker"));
        QVERIFY(peer.Connect(m_server->ServerPort()));
        QVERIFY(peer.LogInAndSettle("peer"));
        peer.Send(Message(2, uint32_t(2235), uint32_t(1), uint32_t(40000)));
        QVERIFY(peer.Sync());

        asker.Send(Message(3, QString("peer")));
        MemStream reply = asker.WaitFor(3);
        QString name;
        quint32 address = 0;
        qint32 port = 0, obfuscation = 0;
        quint16 obfuscatedPort = 0;
        QVERIFY(reply.Read(name) && reply.Read(address) && reply.Read(port) && reply.Read(obfuscation)
                && reply.Read(obfuscatedPort));
        QCOMPARE(QHostAddress(address), QHostAddress(QHostAddress::LocalHost));
        QCOMPARE(port, 2235);
        QCOMPARE(obfuscation, 1);
        QCOMPARE(obfuscatedPort, quint16(40000));

        asker.Send(Message(3, QString("ghost")));
        MemStream none = asker.WaitFor(3);
        QVERIFY(none.Read(name) && none.Read(address) && none.Read(port));
        QCOMPARE(address, 0u);
        QCOMPARE(port, 0);
    }
};

QTEST_GUILESS_MAIN(TestPresence)
#include "tst_presence.moc"
