#include "TestClient.h"

#include <QTemporaryDir>
#include <QtTest>

using localserver::ServerOptions;

class TestLogin : public QObject
{
    Q_OBJECT

private slots:
    void RefusedLogins_data()
    {
        QTest::addColumn<QByteArray>("login");
        QTest::addColumn<QString>("reason");
        for (const QString& name : {QString(), QString(" alice"), QString("alice "), QString(31, 'a'), QString("a\tb")})
            QTest::addRow("name \"%s\"", qPrintable(name)) << Frame(LoginMessage(name, "pw")) << "INVALIDUSERNAME";
        QTest::newRow("wrong digest") << Frame(
            Message(1, QString("alice"), QString("pw"), uint32_t(157), std::string(32, '0'), uint32_t(100)))
                                      << "INVALIDHASH";
    }

    void RefusedLogins()
    {
        QFETCH(QByteArray, login);
        QFETCH(QString, reason);
        LocalNetwork network;
        TestClient* client = network.Connect();
        QVERIFY(client);
        client->SendRaw(login);
        QCOMPARE(client->BodyOf(1), Body(false, reason));
        QVERIFY(client->WaitForDisconnect());
        QVERIFY(network.Server().OnlineUsers().isEmpty());
    }

    void ASecondLoginEndsTheFirstSessionWithRelogged()
    {
        LocalNetwork network;
        const QString spaced = QString::fromUtf8("J\xc3\xa9r\xc3\xb4me the Second"); // inner spaces are fine
        TestClient* longest = network.LogIn(QString(30, 'b'));
        TestClient* first = network.LogIn(spaced);
        TestClient* second = network.LogIn(spaced);
        QVERIFY(longest && first && second);
        QVERIFY(first->Got(41));
        QVERIFY(first->WaitForDisconnect());
        QVERIFY(second->Sync());
        QCOMPARE(network.Server().OnlineUsers(), (QStringList{spaced, QString(30, 'b')}));
    }

    void ALoginTakesTheNameFromASessionThatIsStillClosing()
    {
        LocalNetwork network;
        const auto feed = [](localserver::ClientSession* session, const MemStream& message) {
            const QByteArray frame = Frame(message);
            session->Receive(frame.constData(), frame.size());
        };
        // No events run until both sessions are in: the first has closed but not ended.
        localserver::ClientSession* closing = network.Server().AttachSession(nullptr);
        feed(closing, LoginMessage("eve", "pw"));
        feed(closing, Message(14, QString("lounge"), uint32_t(0)));
        feed(closing, Message(13, QString("lounge"))); // malformed: closes it
        QVERIFY(closing->IsClosed());
        localserver::ClientSession* fresh = network.Server().AttachSession(nullptr);
        feed(fresh, LoginMessage("eve", "pw"));
        feed(fresh, Message(14, QString("lounge"), uint32_t(0)));

        TestClient* other = network.LogIn("other");
        QVERIFY(other);
        other->Send(Message(14, QString("lounge"), uint32_t(0)));
        const auto [room, users] = Fields<QString, std::vector<QString>>(other->WaitFor(14));
        QCOMPARE(users, (std::vector<QString>{"eve", "other"}));
    }

    void LoginIsFollowedByTheSessionParameters()
    {
        QTemporaryDir dir;
        QFile table(dir.filePath("privileges"));
        QVERIFY(table.open(QIODevice::WriteOnly));
        table.write("# who and how long\nmax power 86400\nnobody 0\n");
        table.close();
        ServerOptions options;
        options.privilegesFile = table.fileName();
        options.wishListInterval = 60;
        options.parentMinSpeed = 7;
        options.parentSpeedConnectionRatio = 11;
        LocalNetwork network(options);
        TestClient* client = network.Connect();
        QVERIFY(client);
        client->Send(LoginMessage("max power", "pw"));
        const auto [accepted, greeting, address, passwordDigest, privileged]
            = Fields<bool, QString, quint32, QString, bool>(client->WaitFor(1));
        QVERIFY(accepted && privileged);
        QCOMPARE(address, QHostAddress(QHostAddress::LocalHost).toIPv4Address());
        QVERIFY(client->Got(64));
        QCOMPARE(client->BodyOf(104), Body(uint32_t(60)));
        QCOMPARE(client->BodyOf(83), Body(int32_t(7)));
        QCOMPARE(client->BodyOf(84), Body(int32_t(11)));
        QCOMPARE(client->BodyOf(69), Body(std::vector<QString>{"max power"}));
        client->Send(Message(92));
        const qint32 secondsLeft = std::get<0>(Fields<qint32>(client->WaitFor(92)));
        QVERIFY(secondsLeft > 86000 && secondsLeft <= 86400);
    }

    void AccountsOutliveTheServerInTheAccountsFile()
    {
        QTemporaryDir dir;
        ServerOptions options;
        options.accountsFile = dir.filePath("accounts");
        const QString password = "pass word\twith tab";
        {
            LocalNetwork network(options);
            TestClient* first = network.Connect();
            QVERIFY(first && first->LogInAndSettle("carol", password));
        }
        LocalNetwork restarted(options);
        TestClient* wrong = restarted.Connect();
        QVERIFY(wrong);
        wrong->Send(LoginMessage("carol", "other"));
        QCOMPARE(wrong->BodyOf(1), Body(false, QString("INVALIDPASS")));
        QVERIFY(wrong->WaitForDisconnect());
        TestClient* right = restarted.Connect();
        QVERIFY(right && right->LogInAndSettle("carol", password));
        QCOMPARE(restarted.Server().OnlineUsers(), QStringList{"carol"});
    }

    void AnUnreadableAccountsFileStopsTheStart()
    {
        QTemporaryDir dir;
        ServerOptions options;
        options.accountsFile = dir.path(); // a folder cannot be read as a file
        localserver::LocalServer server(options);
        QVERIFY(!server.Listen());
        QVERIFY(!server.ErrorString().isEmpty());
    }

    void ConnectionsThatDoNotLogInAreClosed()
    {
        ServerOptions options;
        options.loginTimeoutMs = 200;
        LocalNetwork network(options);
        TestClient* early = network.Connect(); // its bound runs out first
        QVERIFY(early);
        early->Send(Message(26, uint32_t(1), QString("before login"))); // ignored
        QVERIFY(early->LogInAndSettle("early"));
        TestClient* idle = network.Connect();
        QVERIFY(idle);
        QVERIFY(idle->WaitForDisconnect());
        QVERIFY(early->Sync());
        QVERIFY(early->IsConnected());
    }

    // A login needs little; a stranger may send no more than that.
    void MessagesBeforeLoginAreBoundedToWhatALoginNeeds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("accepted");
        const quint32 bound = ServerOptions().maxLoginMessageLength;
        // Code, name, password, version, digest and minor version take 62
        // bytes around a password with the name "padded".
        const auto login = [](int passwordLength) { return LoginMessage("padded", QString(passwordLength, 'p')); };
        QTest::newRow("login of exactly the bound") << Frame(login(int(bound) - 62)) << true;
        QTest::newRow("login one byte longer") << Frame(login(int(bound) - 61)) << false;
        QTest::newRow("announced 1 MiB") << Body(uint32_t(1024 * 1024)) + QByteArray(64 * 1024, 'x') << false;
    }

    void MessagesBeforeLoginAreBoundedToWhatALoginNeeds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, accepted);
        LocalNetwork network;
        TestClient* client = network.Connect();
        QVERIFY(client);
        client->SendRaw(bytes);
        if (accepted) {
            QVERIFY(std::get<0>(Fields<bool>(client->WaitFor(1))));
            // Logged in, it may send long messages.
            QVERIFY(client->Sync());
            client->Send(Message(153, QString(100 * 1024, 't')));
            QVERIFY(client->Got(153));
        } else {
            QVERIFY(client->WaitForDisconnect());
            QVERIFY(!client->Got(1));
        }
    }

    void ConnectionsAwaitingLoginAreCapped()
    {
        ServerOptions options;
        options.maxPendingLogins = 2;
        LocalNetwork network(options);
        TestClient* first = network.Connect();
        TestClient* second = network.Connect();
        QVERIFY(first && second);
        TestClient* third = network.Connect();
        QVERIFY(third);
        QVERIFY(third->WaitForDisconnect());
        // A login makes room; the others were left alone.
        QVERIFY(first->LogInAndSettle("first"));
        TestClient* fourth = network.Connect();
        QVERIFY(fourth && fourth->LogInAndSettle("fourth"));
        QVERIFY(second->LogInAndSettle("second"));
        QCOMPARE(network.Server().OnlineUsers(), (QStringList{"first", "fourth", "second"}));
    }
};

QTEST_GUILESS_MAIN(TestLogin)
#include "tst_login.moc"
