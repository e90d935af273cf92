#include "LocalServer.h"
#include "TestClient.h"

#include <QTemporaryDir>
#include <QtTest>

using localserver::LocalServer;
using localserver::ServerOptions;

class TestLogin : public QObject
{
    Q_OBJECT

private:
    static ServerOptions QuietOptions()
    {
        ServerOptions options;
        options.quiet = true;
        return options;
    }

    static QString RefusalOf(TestClient& client, const QString& name, const QString& password)
    {
        bool accepted = true;
        MemStream reply = client.LogIn(name, password, &accepted);
        QString reason;
        if (accepted || !reply.Read(reason))
            return QStringLiteral("<accepted or no reply>");
        return reason;
    }

private slots:
    void FirstLoginCreatesTheAccountAndLaterLoginsNeedItsPassword()
    {
        LocalServer server(QuietOptions());
        QVERIFY(server.Listen());
        {
            TestClient first;
            QVERIFY(first.Connect(server.ServerPort()));
            QVERIFY(first.LogInAndSettle("alice", "right"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(server.OnlineUsers().isEmpty(), 5000);

        TestClient wrong;
        QVERIFY(wrong.Connect(server.ServerPort()));
        QCOMPARE(RefusalOf(wrong, "alice", "INVALID"), QStringLiteral("INVALIDPASS"));
        QVERIFY(wrong.WaitForDisconnect());

        TestClient right;
        QVERIFY(right.Connect(server.ServerPort()));
        QVERIFY(right.LogInAndSettle("alice", "right"));
        QCOMPARE(server.OnlineUsers(), QStringList{"alice"});
    }

    void BadNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("leading space") << " alice";
        QTest::newRow("trailing space") << "alice ";
        QTest::newRow("too long") << QString(31, 'a');
        QTest::newRow("control character") << "al\tice";
    }

    void BadNamesAreRefused()
    {
        QFETCH(QString, name);
        LocalServer server(QuietOptions());
        QVERIFY(server.Listen());
        TestClient client;
        QVERIFY(client.Connect(server.ServerPort()));
        QCOMPARE(RefusalOf(client, name, "pw"), QStringLiteral("INVALIDUSERNAME"));
        QVERIFY(client.WaitForDisconnect());
        QVERIFY(server.OnlineUsers().isEmpty());
    }

    void LongestNameAndNamesWithInnerSpacesAreAccepted()
    {
        LocalServer server(QuietOptions());
        QVERIFY(server.Listen());
        TestClient longest;
        QVERIFY(longest.Connect(server.ServerPort()));
        QVERIFY(longest.LogInAndSettle(QString(30, 'b')));
        TestClient spaced;
        QVERIFY(spaced.Connect(server.ServerPort()));
        QVERIFY(spaced.LogInAndSettle(QString::fromUtf8("J\xc3\xa9r\xc3\xb4me the Second")));
    }

    void AWrongDigestIsRefused()
    {
        LocalServer server(QuietOptions());
        QVERIFY(server.Listen());
        TestClient client;
        QVERIFY(client.Connect(server.ServerPort()));
        client.Send(Message(1, QString("alice"), QString("pw"), uint32_t(157), std::string(32, '0'), uint32_t(100)));
        MemStream reply = client.WaitFor(1);
        bool accepted = true;
        QString reason;
        QVERIFY(reply.Read(accepted) && reply.Read(reason));
        QVERIFY(!accepted);
        QCOMPARE(reason, QStringLiteral("INVALIDHASH"));
    }

    void ASecondLoginEndsTheFirstSessionWithRelogged()
    {
        LocalServer server(QuietOptions());
        QVERIFY(server.Listen());
        TestClient first;
        QVERIFY(first.Connect(server.ServerPort()));
        QVERIFY(first.LogInAndSettle("bob"));
        TestClient second;
        QVERIFY(second.Connect(server.ServerPort()));
        QVERIFY(second.LogInAndSettle("bob"));

        QVERIFY(first.WaitFor(41).GetLength() > 0);
        QVERIFY(first.WaitForDisconnect());
        QVERIFY(second.Sync());
        QCOMPARE(server.OnlineUsers(), QStringList{"bob"});
    }

    void LoginIsFollowedByTheSessionParameters()
    {
        QTemporaryDir dir;
        QFile table(dir.filePath("privileges"));
        QVERIFY(table.open(QIODevice::WriteOnly));
        table.write("# who and how long\nmax power 86400\nnobody 0\n");
        table.close();
        ServerOptions options = QuietOptions();
        options.privilegesFile = table.fileName();
        options.wishListInterval = 60;
        options.parentMinSpeed = 7;
        options.parentSpeedConnectionRatio = 11;
        LocalServer server(options);
        QVERIFY(server.Listen());

        TestClient client;
        QVERIFY(client.Connect(server.ServerPort()));
        bool accepted = false;
        MemStream reply = client.LogIn("max power", "pw", &accepted);
        QVERIFY(accepted);
        QString greeting, passwordDigest;
        quint32 address = 0;
        bool privileged = false;
        QVERIFY(reply.Read(greeting) && reply.Read(address) && reply.Read(passwordDigest) && reply.Read(privileged));
        QCOMPARE(address, QHostAddress(QHostAddress::LocalHost).toIPv4Address());
        QVERIFY(privileged);

        MemStream rooms = client.WaitFor(64);
        std::vector<QString> names;
        QVERIFY(rooms.Read(names));
        quint32 interval = 0;
        QVERIFY(client.WaitFor(104).Read(interval));
        QCOMPARE(interval, 60u);
        qint32 minSpeed = 0, ratio = 0;
        QVERIFY(client.WaitFor(83).Read(minSpeed));
        QVERIFY(client.WaitFor(84).Read(ratio));
        QCOMPARE(minSpeed, 7);
        QCOMPARE(ratio, 11);
        std::vector<QString> privilegedUsers;
        QVERIFY(client.WaitFor(69).Read(privilegedUsers));
        QCOMPARE(privilegedUsers, std::vector<QString>{"max power"});

        client.Send(Message(92));
        qint32 secondsLeft = 0;
        QVERIFY(client.WaitFor(92).Read(secondsLeft));
        QVERIFY(secondsLeft > 86000 && secondsLeft <= 86400);
    }

    void AccountsOutliveTheServerInTheAccountsFile()
    {
        QTemporaryDir dir;
        ServerOptions options = QuietOptions();
        options.accountsFile = dir.filePath("accounts");
        {
            LocalServer server(options);
            QVERIFY(server.Listen());
            TestClient client;
            QVERIFY(client.Connect(server.ServerPort()));
            QVERIFY(client.LogInAndSettle("carol", "pass word\twith tab"));
        }
        LocalServer restarted(options);
        QVERIFY(restarted.Listen());
        TestClient wrong;
        QVERIFY(wrong.Connect(restarted.ServerPort()));
        QCOMPARE(RefusalOf(wrong, "carol", "other"), QStringLiteral("INVALIDPASS"));
        TestClient right;
        QVERIFY(right.Connect(restarted.ServerPort()));
        QVERIFY(right.LogInAndSettle("carol", "pass word\twith tab"));
    }

    void AnUnreadableAccountsFileStopsTheStart()
    {
        QTemporaryDir dir;
        ServerOptions options = QuietOptions();
        options.accountsFile = dir.path();  // a folder cannot be read as a file
        LocalServer server(options);
        QVERIFY(!server.Listen());
        QVERIFY(!server.ErrorString().isEmpty());
    }

    void ConnectionsThatDoNotLogInAreClosed()
    {
        ServerOptions options = QuietOptions();
        options.loginTimeoutMs = 200;
        LocalServer server(options);
        QVERIFY(server.Listen());
        TestClient early;  // its bound runs out first
        QVERIFY(early.Connect(server.ServerPort()));
        QVERIFY(early.LogInAndSettle("early"));
        TestClient idle;
        QVERIFY(idle.Connect(server.ServerPort()));
        QVERIFY(idle.WaitForDisconnect());
        QVERIFY(early.Sync());
        QVERIFY(early.IsConnected());
    }

    void ALoginTakesTheNameFromASessionThatIsStillClosing()
    {
        LocalServer server(QuietOptions());
        QVERIFY(server.Listen());
        const auto feed = [](localserver::ClientSession* session, const MemStream& message) {
            const QByteArray frame = Frame(message);
            session->Receive(frame.constData(), frame.size());
        };
        // No events run until both sessions are in: the first has closed but not ended.
        localserver::ClientSession* closing = server.AttachSession(nullptr);
        feed(closing, LoginMessage("eve", "pw"));
        feed(closing, Message(14, QString("lounge"), uint32_t(0)));
        feed(closing, Message(13, QString("lounge")));  // malformed: closes it
        QVERIFY(closing->IsClosed());
        localserver::ClientSession* fresh = server.AttachSession(nullptr);
        feed(fresh, LoginMessage("eve", "pw"));
        feed(fresh, Message(14, QString("lounge"), uint32_t(0)));

        TestClient other;
        QVERIFY(other.Connect(server.ServerPort()));
        QVERIFY(other.LogInAndSettle("other"));
        other.Send(Message(14, QString("lounge"), uint32_t(0)));
        MemStream join = other.WaitFor(14);
        QString room;
        std::vector<QString> users;
        QVERIFY(join.Read(room) && join.Read(users));
        QCOMPARE(users, (std::vector<QString>{"eve", "other"}));
    }

    void MessagesBeforeLoginAreIgnored()
    {
        LocalServer server(QuietOptions());
        QVERIFY(server.Listen());
        TestClient client;
        QVERIFY(client.Connect(server.ServerPort()));
        client.Send(Message(26, uint32_t(1), QString("early")));
        QVERIFY(client.LogInAndSettle("dave"));
        QVERIFY(client.IsConnected());
    }
};

QTEST_GUILESS_MAIN(TestLogin)
#include "tst_login.moc"
