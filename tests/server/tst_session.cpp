#include "SessionFixture.h"

#include "app/Settings.h"
#include "app/TimerManager.h"
#include "store/Data.h"

#include <QSignalSpy>
#include <QtTest>

#include <vector>

namespace {
// Records what the session asks of the router.
class RecordingPortMapper : public PortMapper
{
public:
    RecordingPortMapper(int* initCount, std::vector<int>* mappedPorts)
        : inits(initCount)
        , ports(mappedPorts)
    {
    }
    void Init() override { ++*inits; }
    void AddPortMapping(QTcpSocket* socket, int port) override
    {
        QVERIFY(socket != nullptr);
        ports->push_back(port);
    }

private:
    int* inits;
    std::vector<int>* ports;
};

template <class T>
T Read(MemStream& body)
{
    T value{};
    body.Read(value);
    return value;
}
} // namespace

// Connecting, logging in, sending rules, keep-alive, closing, dropping and reconnecting.
class TestSession : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SessionFixture> f;

    // Reads the next message, which must have the code.
    void ExpectNext(uint32_t code, MemStream& body)
    {
        uint32_t read = 0;
        QVERIFY(f->far->ReadMessage(read, body));
        QCOMPARE(read, code);
    }

    void Drop()
    {
        f->far->DropClient();
        QVERIFY(WaitUntil([&] { return !f->server->IsConnected(); }));
    }

private slots:
    void init() { f = std::make_unique<SessionFixture>(); }
    void cleanup() { f.reset(); }

    void connectWithoutUserNameDoesNothing()
    {
        SetSetting("username", "");
        QSignalSpy connecting(f->server.get(), &Server::Connecting);
        f->server->Connect();
        QCOMPARE(f->server->GetState(), 0);
        QCOMPARE(connecting.count(), 0);
    }

    // The digest covers the name's bytes directly followed by the password's.
    void loginLayout_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("digest");
        QTest::newRow("abc split a|bc") << "a"
                                        << "bc" << QByteArray("900150983cd24fb0d6963f7d28e17f72");
        QTest::newRow("abc split ab|c") << "ab"
                                        << "c" << QByteArray("900150983cd24fb0d6963f7d28e17f72");
        QTest::newRow("empty password") << "bob"
                                        << "" << QByteArray("9f9d51bc70ef21ca5c14f307980a29d8");
        QTest::newRow("non-ASCII password") << "me"
                                            << QString::fromUtf8("s\xc3\xa9"
                                                                 "cret")
                                            << QByteArray("2185c60c9dc5fa219dd0ee41d2479afa");
    }

    void loginLayout()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QByteArray, digest);
        SetSetting("username", user);
        SetSetting("password", password);
        QSignalSpy connecting(f->server.get(), &Server::Connecting);
        MemStream login;
        QVERIFY(f->ConnectAndReadLogin(login));
        QCOMPARE(connecting.count(), 1);
        QCOMPARE(f->server->GetState(), 1);
        QCOMPARE(login.GetPendingBytes(),
                 Str(user.toUtf8()) + Str(password.toUtf8()) + Bytes(157u) + Str(digest) + Bytes(100u));
    }

    void missingPasswordFallsBackWithoutTouchingTheName()
    {
        d.GetType("global")->HasItem(Value("password")).Remove();
        MemStream login;
        QVERIFY(f->ConnectAndReadLogin(login));
        QCOMPARE(Read<QString>(login), QString("me"));
        QCOMPARE(Read<QString>(login), QString("MarblePenguinTwist"));
        QCOMPARE(GetSetting("username"), QString("me"));
    }

    void acceptedLoginRecordsPrivileges_data()
    {
        QTest::addColumn<bool>("privileged");
        QTest::addColumn<QString>("supporter");
        QTest::newRow("privileged") << true << "yes";
        QTest::newRow("not privileged") << false << "";
    }

    void acceptedLoginRecordsPrivileges()
    {
        QFETCH(bool, privileged);
        QFETCH(QString, supporter);
        SetSetting("is_supporter", privileged ? "" : "yes");
        QSignalSpy connected(f->server.get(), &Server::Connected);
        QVERIFY(f->LogIn(privileged));
        QCOMPARE(connected.count(), 1);
        QCOMPARE(f->server->GetState(), 2);
        QCOMPARE(GetSetting("is_supporter"), supporter);
        QCOMPARE(GetSetting("accept_room_list"), QString("yes"));
    }

    void refusedLoginClosesAndIsNotRetried()
    {
        QSignalSpy failed(f->server.get(), &Server::ConnectionFailed);
        MemStream login;
        QVERIFY(f->ConnectAndReadLogin(login));
        f->far->SendLoginRefused("INVALIDPASS");
        QVERIFY(WaitUntil([&] { return failed.count() == 1; }));
        QCOMPARE(failed.at(0).at(0).toString(), QString("INVALIDPASS"));
        QCOMPARE(f->server->GetState(), 0);
        QVERIFY(f->far->WaitForClientClose());
        QCOMPARE(failed.count(), 1);
        f->server->AttemptReconnect();
        QCOMPARE(f->server->GetState(), 0);
    }

    // A listener may run an event loop inside the signal (a message box does);
    // the server's close arriving meanwhile is no second failure.
    void refusalIsReportedOnceToAListenerThatRunsTheEventLoop()
    {
        QSignalSpy failed(f->server.get(), &Server::ConnectionFailed);
        int stateSeenByListener = -1;
        connect(f->server.get(), &Server::ConnectionFailed, this, [&] {
            stateSeenByListener = f->server->GetState();
            f->far->DropClient();
            QTest::qWait(200);
        });
        MemStream login;
        QVERIFY(f->ConnectAndReadLogin(login));
        f->far->SendLoginRefused("INVALIDPASS");
        QVERIFY(WaitUntil([&] { return failed.count() >= 1; }));
        QTest::qWait(100);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(stateSeenByListener, 0);
    }

    void messagesAreDroppedUntilLoggedIn()
    {
        f->server->EveryFiveMinutes();
        f->server->GetUserStatus("before connecting");
        MemStream login;
        QVERIFY(f->ConnectAndReadLogin(login));
        f->server->EveryFiveMinutes();
        f->server->GetUserStatus("while logging in");
        f->far->SendLoginAccepted();
        QVERIFY(WaitUntil([&] { return f->server->IsConnected(); }));
        f->server->GetUserStats("after login");
        MemStream body;
        ExpectNext(SM_GET_USER_STATS, body);
        QCOMPARE(Read<QString>(body), QString("after login"));
    }

    // Nothing is handled while not connected; a login reply only while connecting.
    void incomingMessagesDependOnTheState()
    {
        QSignalSpy admin(f->server.get(), &Server::AdminMessage);
        MemStream notice = Body(QString("hello"));
        f->server->HandleMessage(SM_ADMIN_MESSAGE, notice);
        QCOMPARE(admin.count(), 0);

        QVERIFY(f->LogIn());
        QSignalSpy failed(f->server.get(), &Server::ConnectionFailed);
        MemStream refusal = Body(false, QString("INVALIDPASS"));
        f->server->HandleMessage(SM_LOGIN, refusal);
        QCOMPARE(failed.count(), 0);
        QVERIFY(f->server->IsConnected());
    }

    void disconnectWhileConnectingDoesNothing()
    {
        MemStream login;
        QVERIFY(f->ConnectAndReadLogin(login));
        QSignalSpy disconnected(f->server.get(), &Server::Disconnected);
        f->server->Disconnect();
        QCOMPARE(f->server->GetState(), 1);
        QCOMPARE(disconnected.count(), 0);
    }

    void userDisconnectIsNoFailureAndNotRetried()
    {
        QVERIFY(f->LogIn());
        QSignalSpy failed(f->server.get(), &Server::ConnectionFailed);
        QSignalSpy disconnected(f->server.get(), &Server::Disconnected);
        f->server->Disconnect();
        QCOMPARE(disconnected.count(), 1);
        QCOMPARE(f->server->GetState(), 0);
        QVERIFY(f->far->WaitForClientClose());
        QCOMPARE(failed.count(), 0);
        QVERIFY(!f->server->IsAbruptlyDisconnected());
        f->server->AttemptReconnect();
        QCOMPARE(f->server->GetState(), 0);
    }

    void dropAndReconnectRestorePresenceButNotRooms()
    {
        d.GetType("room")->GetItem("lobby").NewItem("room_autojoin");
        MemStream body;
        QVERIFY(f->ConnectAndReadLogin(body));
        f->far->SendLoginAccepted();
        ExpectNext(SM_JOIN_ROOM, body);
        QCOMPARE(Read<QString>(body), QString("lobby"));
        QCOMPARE(Read<uint32_t>(body), 0u);

        f->server->TrackUser("ann");
        ExpectNext(SM_ADD_USER, body);
        f->server->GetUserAddress("bob");
        ExpectNext(SM_GET_PEER_ADDRESS, body);
        f->server->SetAvailabilityStatus(false);
        QCOMPARE(GetSetting("availability_status"), QString("away"));
        ExpectNext(SM_SET_STATUS, body);
        SetSetting("accept_room_list", "no");
        ItemPtr ann = d.GetType("user")->GetItem("ann");
        ItemPtr bob = d.GetType("user")->GetItem("bob");
        ann.NewItem("is_online");
        bob.NewItem("is_online");

        QSignalSpy disconnected(f->server.get(), &Server::Disconnected);
        QSignalSpy failed(f->server.get(), &Server::ConnectionFailed);
        Drop();
        QCOMPARE(disconnected.count(), 1);
        QCOMPARE(failed.count(), 0);
        QVERIFY(f->server->IsAbruptlyDisconnected());
        QVERIFY(!ann.IsConnected("is_online") && !bob.IsConnected("is_online"));

        f->server->AttemptReconnect();
        QCOMPARE(f->server->GetState(), 1);
        QVERIFY(f->far->AcceptClient());
        ExpectNext(SM_LOGIN, body);
        f->far->SendLoginAccepted();
        ExpectNext(SM_SET_STATUS, body);
        QCOMPARE(Read<uint32_t>(body), 1u);
        ExpectNext(SM_ADD_USER, body);
        QCOMPARE(Read<QString>(body), QString("ann"));
        ExpectNext(SM_GET_PEER_ADDRESS, body);
        QCOMPARE(Read<QString>(body), QString("bob"));
        // Nothing else came first: in particular the room is not joined again.
        f->server->EveryFiveMinutes();
        ExpectNext(SM_HEARTBEAT, body);
        QCOMPARE(GetSetting("accept_room_list"), QString("yes"));
        QVERIFY(!f->server->IsAbruptlyDisconnected());
    }

    void failedReconnectionKeepsTrying()
    {
        QVERIFY(f->LogIn());
        Drop();
        f->far->StopListening();
        QSignalSpy failed(f->server.get(), &Server::ConnectionFailed);
        f->server->AttemptReconnect();
        QVERIFY(WaitUntil([&] { return failed.count() == 1; }));
        QCOMPARE(failed.at(0).at(0).toString(), QString("socket error"));
        QCOMPARE(f->server->GetState(), 0);
        QVERIFY(f->server->IsAbruptlyDisconnected());
        QVERIFY(f->far->ListenAgain());
        f->server->AttemptReconnect();
        QVERIFY(f->far->AcceptClient());
        MemStream login;
        ExpectNext(SM_LOGIN, login);
    }

    void halfMinuteTickReconnects()
    {
        f->server.reset();
        TimerManager ticks(20, TimerManager::FiveMinutesMs, TimerManager::HourMs);
        f->server = std::make_unique<Server>();
        QVERIFY(f->LogIn());
        Drop();
        QVERIFY(f->far->AcceptClient());
        MemStream login;
        ExpectNext(SM_LOGIN, login);
        f->server.reset();
    }

    void lengthWordOutOfBoundsDropsTheSession_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("below a code") << Bytes(2u) + QByteArray(8, '\0');
        QTest::newRow("above 4 MiB") << Bytes(4u * 1024 * 1024 + 1, uint32_t(SM_ADMIN_MESSAGE));
    }

    void lengthWordOutOfBoundsDropsTheSession()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(f->LogIn());
        QSignalSpy disconnected(f->server.get(), &Server::Disconnected);
        f->far->SendRaw(bytes);
        QVERIFY(WaitUntil([&] { return disconnected.count() == 1; }));
        QCOMPARE(f->server->GetState(), 0);
        QVERIFY(f->server->IsAbruptlyDisconnected());
        QVERIFY(f->far->WaitForClientClose());
    }

    void splitAndBatchedMessagesArriveWholeAndInOrder()
    {
        QVERIFY(f->LogIn());
        QSignalSpy chat(f->server.get(), &Server::RoomChat);
        QByteArray bytes;
        for (const QString& line : {QString("one"), QString("two"), QString("three")}) {
            const QByteArray message = Bytes(uint32_t(SM_SAY_CHATROOM), QString("lobby"), QString("ann"), line);
            bytes += Bytes(uint32_t(message.size())) + message;
        }
        // The first message a byte at a time, then the other two in one write.
        const int firstSize = bytes.size() / 3;
        for (int n = 0; n < firstSize; ++n) {
            f->far->SendRaw(bytes.mid(n, 1));
            QCoreApplication::processEvents();
        }
        f->far->SendRaw(bytes.mid(firstSize));
        QVERIFY(WaitUntil([&] { return chat.count() == 3; }));
        QCOMPARE(chat.at(0).at(2).toString(), QString("one"));
        QCOMPARE(chat.at(1).at(2).toString(), QString("two"));
        QCOMPARE(chat.at(2).at(2).toString(), QString("three"));
    }

    void dataLoadedTurnsPortMappingOnOnlyWhenUnset()
    {
        f->server->DataLoaded();
        QCOMPARE(GetSetting("use_upnp"), QString("yes"));
        SetSetting("use_upnp", "no");
        f->server->DataLoaded();
        QCOMPARE(GetSetting("use_upnp"), QString("no"));
    }

    void portMappingOnConnectFirstLoginAndHourly()
    {
        int inits = 0;
        std::vector<int> ports;
        f->server->SetPortMapper(std::make_unique<RecordingPortMapper>(&inits, &ports));
        SetSetting("use_upnp", "yes");
        SetSetting("listening_port", "2235");
        SetSetting("obfuscated_listening_port", "2236");
        f->server->RenewPortMapping();
        QVERIFY(ports.empty());
        QVERIFY(f->LogIn());
        QCOMPARE(inits, 1);
        QCOMPARE(ports, (std::vector<int>{2235, 2236}));
        SetSetting("obfuscated_listening_port", "0");
        f->server->RenewPortMapping();
        QCOMPARE(ports, (std::vector<int>{2235, 2236, 2235}));
        SetSetting("use_upnp", "no");
        f->server->RenewPortMapping();
        QCOMPARE(ports.size(), size_t(3));
    }

    void privateChatSentCarriesTheOneLineText()
    {
        QVERIFY(f->LogIn());
        QSignalSpy sent(f->server.get(), &Server::PrivateChatSent);
        f->server->SendPrivateChat("ann", "first\r\nsecond\nthird");
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.at(0).at(1).toString(), QString("first  second third"));
    }

    void trackingAndAddressRequestsAreRecordedOnce()
    {
        QVERIFY(f->LogIn());
        f->server->TrackUser("ann");
        f->server->TrackUser("ann");
        f->server->GetUserAddress("bob");
        f->server->GetUserAddress("bob");
        f->server->UntrackUser("ann");
        f->server->UntrackUser("ann");
        f->server->UntrackUser("nobody");
        f->server->EveryFiveMinutes();
        MemStream body;
        ExpectNext(SM_ADD_USER, body);
        ExpectNext(SM_GET_PEER_ADDRESS, body);
        ExpectNext(SM_REMOVE_USER, body);
        ExpectNext(SM_HEARTBEAT, body);
        QVERIFY(!d.GetType("user")->GetItem("ann").IsConnected("is_tracked"));
        QVERIFY(d.GetType("user")->GetItem("bob").IsConnected("user_address_request"));
        QVERIFY(!d.GetType("user")->HasItem("nobody"));
    }

    void indirectConnectionTokensCount()
    {
        QVERIFY(f->LogIn());
        QCOMPARE(f->server->SendIndirectConnectionRequest("ann", "P"), 1u);
        QCOMPARE(f->server->SendIndirectConnectionRequest("bob", "F"), 2u);
        MemStream body;
        ExpectNext(SM_CONNECT_TO_PEER, body);
        ExpectNext(SM_CONNECT_TO_PEER, body);
        QCOMPARE(Read<uint32_t>(body), 2u);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
