#include "Loopback.h"
#include "PeerTestKit.h"
#include "TestCore.h"

#include "app/Settings.h"
#include "dnet/DNetManager.h"
#include "peer/PeerGreeting.h"
#include "peer/PeerMessageCode.h"
#include "peer/PeerMessages.h"
#include "peer/PeerMessenger.h"
#include "server/Server.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "wire/FrameWriter.h"

#include <QSignalSpy>
#include <QTemporaryFile>
#include <QtTest>

namespace {

ItemPtr User(const char* name)
{
    return d.GetType("user")->GetItem(name);
}

// A message the far side can tell apart: "place in line?" for a file name.
MemStream Numbered(const QString& text)
{
    return BuildMessage(uint32_t(PM_UPLOAD_PLACE_IN_LINE_REQUEST), text);
}

QString TextOf(MemStream body)
{
    uint32_t code = 0;
    QString text;
    body.Read(code);
    body.Read(text);
    return QString::number(code) + ":" + text;
}

MemStream PeerAddress(const QString& user, quint16 port, quint16 obfuscatedPort, quint32 address = 0x7f000001)
{
    return BuildMessage(uint32_t(SM_GET_PEER_ADDRESS), user, address, int32_t(port), int32_t(obfuscatedPort ? 1 : 0),
                        uint16_t(obfuscatedPort));
}

MemStream BrokeredRequest(const QString& user, const QString& type, quint16 port, uint32_t token,
                          quint16 obfuscatedPort = 0)
{
    MemStream request = BuildMessage(uint32_t(SM_CONNECT_TO_PEER), user, type, uint32_t(0x7f000001), int32_t(port),
                                     token, false, int32_t(obfuscatedPort ? 1 : 0));
    if (obfuscatedPort)
        request.Write(int32_t(obfuscatedPort));
    return request;
}

} // namespace

// One client core in this process against a scripted server and raw peers on
// loopback: every way a connection starts, what goes over it, and what
// hostile peers cannot do.
class TestMessenger : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ServerEnd> server;
    std::unique_ptr<TestCore> alice;
    quint16 port = 0;
    quint16 obfuscatedPort = 0;

    PeerMessenger& Messenger() { return alice->Messenger(); }

    // Alice logs in and announces her ports.
    void LogIn()
    {
        alice->Connect();
        QVERIFY(server->AcceptLogin());
        uint32_t code = 0;
        MemStream body;
        QVERIFY(server->Next(code, body));
        QCOMPARE(code, uint32_t(SM_SET_WAIT_PORT));
        QCOMPARE(body.GetPendingBytes(), Bytes(uint32_t(port), 1u, uint32_t(obfuscatedPort)));
        // The other managers' login-time messages (the share counts, the own statistics) are not this test's.
        SentCodes();
    }

    // What alice sends the server from now until a heartbeat, as codes.
    std::vector<uint32_t> SentCodes(std::vector<std::pair<uint32_t, MemStream>>* messages = nullptr)
    {
        alice->Session().EveryFiveMinutes();
        const auto sent = server->UntilHeartbeat();
        std::vector<uint32_t> codes;
        for (const auto& message : sent)
            codes.push_back(message.first);
        if (messages)
            *messages = sent;
        return codes;
    }

    // A raw peer that has greeted alice as `user` on a messaging connection.
    std::unique_ptr<RawPeer> Greeted(const QString& user, bool obfuscated)
    {
        auto peer = std::make_unique<RawPeer>(obfuscated);
        if (!peer->Connect(obfuscated ? obfuscatedPort : port))
            return nullptr;
        peer->Send(BuildDirectGreeting(user, "P"));
        if (!WaitUntil([&] { return !User(qPrintable(user)).GetItems("peer_socket").Empty(); }))
            return nullptr;
        return peer;
    }

    // Asks the peer's side for alice's user information and reads it.
    static bool AnswersUserInfo(RawPeer& peer, QByteArray& reply)
    {
        peer.Send(BuildMessage(uint32_t(PM_USER_INFO_REQUEST)));
        MemStream body;
        if (!peer.Next(body))
            return false;
        reply = body.GetPendingBytes();
        return true;
    }

private slots:
    void initTestCase() { qRegisterMetaType<ItemPtr>("ItemPtr"); }

    void init()
    {
        server = std::make_unique<ServerEnd>();
        const std::vector<quint16> ports = FreePorts(2);
        port = ports[0];
        obfuscatedPort = ports[1];
        alice = std::make_unique<TestCore>(TestCore::Options{"alice", server->Port(), port, obfuscatedPort, {}});
        QVERIFY(Messenger().IsListening());
        // The file connections handed over here are this test's, not the transfer queue's.
        disconnect(&Messenger(), &PeerMessenger::FileConnectionRequested, transferQueueManager, nullptr);
        disconnect(&Messenger(), &PeerMessenger::FileConnectionAccepted, transferQueueManager, nullptr);
    }

    void cleanup()
    {
        alice.reset();
        server.reset();
    }

    // A port in use is reported, and taken at the next login once it is free.
    void listeningFailureIsReportedAndRetried()
    {
        alice.reset();
        QTcpServer blocker;
        QVERIFY(blocker.listen(QHostAddress::LocalHost, obfuscatedPort));
        std::unique_ptr<QSignalSpy> failed;
        alice = std::make_unique<TestCore>(TestCore::Options{"alice", server->Port(), port, obfuscatedPort, [&] {
                                                                 failed = std::make_unique<QSignalSpy>(
                                                                     peerMessenger, &PeerMessenger::ListeningFailed);
                                                             }});
        QCOMPARE(failed->count(), 1);
        QCOMPARE(failed->at(0).at(0).toInt(), int(obfuscatedPort));
        QVERIFY(!Messenger().IsListening());
        QVERIFY(Messenger().GetListeningError().contains(QString::number(obfuscatedPort)));

        blocker.close();
        QSignalSpy listening(&Messenger(), &PeerMessenger::Listening);
        LogIn();
        QCOMPARE(listening.count(), 1);
        QVERIFY(Messenger().IsListening());
        QVERIFY(Messenger().GetListeningError().isEmpty());
    }

    void messagingConnectionFromAPeer_data()
    {
        QTest::addColumn<bool>("obfuscated");
        QTest::newRow("plain") << false;
        QTest::newRow("obfuscated") << true;
    }

    // A peer greets, asks for alice's information (the core answers, no
    // window needed) and talks; alice's messages to it take that connection.
    void messagingConnectionFromAPeer()
    {
        QFETCH(bool, obfuscated);
        LogIn();
        QTemporaryFile picture;
        QVERIFY(picture.open());
        picture.write("PNG picture");
        picture.flush();
        SetSetting("user_description", "Collects rare live recordings");
        SetSetting("upload_slots", "4");
        SetSetting("user_picture_file", picture.fileName());
        QSignalSpy requested(&Messenger(), &PeerMessenger::UserInfoRequested);
        QSignalSpy placeRequested(&Messenger(), &PeerMessenger::UploadPlaceInLineRequested);

        std::unique_ptr<RawPeer> bob = Greeted("bob", obfuscated);
        QVERIFY(bob);
        ItemPtr connection = User("bob").GetItem("peer_socket");
        QCOMPARE(connection.IsConnected("is_obfuscated"), obfuscated);
        QVERIFY(!d.GetType("uninitialized_socket")->ItemCount());

        QByteArray reply;
        QVERIFY(AnswersUserInfo(*bob, reply));
        QCOMPARE(reply,
                 Bytes(16u, QString("Collects rare live recordings"), true, 11u) + "PNG picture" + Bytes(4u, 0u, true));
        QCOMPARE(requested.count(), 1);

        // The transfer queue, once it is there, tells its own counts.
        Messenger().SetUploadAvailabilitySource([] { return UploadAvailability{7, false}; });
        SetSetting("user_picture_file", "/nonexistent/picture.png");
        QVERIFY(AnswersUserInfo(*bob, reply));
        QCOMPARE(reply, Bytes(16u, QString("Collects rare live recordings"), false, 4u, 7u, false));

        bob->Send(Numbered("song.mp3"));
        QVERIFY(WaitUntil([&] { return placeRequested.count() == 1; }));
        QCOMPARE(placeRequested.at(0), (QList<QVariant>{"bob", "song.mp3"}));

        MemStream toBob = Numbered("from alice");
        Messenger().SendMessage("bob", toBob);
        MemStream body;
        QVERIFY(bob->Next(body));
        QCOMPARE(TextOf(body), QString("51:from alice"));
        QCOMPARE(SentCodes(), std::vector<uint32_t>());
    }

    // Garbage, an oversized frame and silence each close only their own
    // connection; the largest frame allowed goes through.
    void hostilePeersAreClosed()
    {
        LogIn();
        std::unique_ptr<RawPeer> bob = Greeted("bob", false);
        QVERIFY(bob);

        RawPeer garbage(false);
        QVERIFY(garbage.Connect(port));
        garbage.SendBytes(Bytes(uint32_t(6)) + QByteArray::fromHex("01ffffffff00"));
        RawPeer unknownType(true);
        QVERIFY(unknownType.Connect(obfuscatedPort));
        unknownType.Send(BuildDirectGreeting("eve", "X"));
        RawPeer oversized(false);
        QVERIFY(oversized.Connect(port));
        oversized.SendBytes(Bytes(MaxPeerFrameLength + 1));
        RawPeer unknownToken(false);
        QVERIFY(unknownToken.Connect(port));
        unknownToken.Send(BuildAnswerGreeting(12345));
        for (RawPeer* peer : {&garbage, &unknownType, &oversized, &unknownToken})
            QVERIFY(peer->WaitClosed());

        RawPeer silent(false);
        QVERIFY(silent.Connect(port));
        RawPeer tokenless(false);
        QVERIFY(tokenless.Connect(port));
        tokenless.Send(BuildDirectGreeting("eve", "F"));
        QSignalSpy files(&Messenger(), &PeerMessenger::FileConnectionRequested);
        connect(&Messenger(), &PeerMessenger::FileConnectionRequested, this,
                [](QString, QTcpSocket* socket, unsigned int) { socket->deleteLater(); });
        QVERIFY(WaitUntil([&] { return d.GetType("uninitialized_socket")->ItemCount() == 2; }));
        QTest::qWait(50);
        Messenger().CleanUp(QDateTime::currentDateTime().addSecs(59));
        QVERIFY(silent.IsOpen() && tokenless.IsOpen());
        Messenger().CleanUp(QDateTime::currentDateTime().addSecs(61));
        QVERIFY(silent.WaitClosed());
        QVERIFY(tokenless.WaitClosed());
        QCOMPARE(files.count(), 0);

        // Exactly the bound: ten MiB in one message, and the connection stays.
        QSignalSpy placeRequested(&Messenger(), &PeerMessenger::UploadPlaceInLineRequested);
        MemStream largest = Body(uint32_t(PM_SAY));
        largest.WriteBuffer(QByteArray(int(MaxPeerFrameLength) - 4, 'x').constData(), MaxPeerFrameLength - 4);
        bob->Send(largest);
        bob->Send(Numbered("after"));
        QVERIFY(WaitUntil([&] { return placeRequested.count() == 1; }, 20000));
        QVERIFY(bob->IsOpen());
        QByteArray reply;
        QVERIFY(AnswersUserInfo(*bob, reply));

        // Two minutes without a word close a messaging connection.
        Messenger().CleanUp(QDateTime::currentDateTime().addSecs(119));
        QVERIFY(bob->IsOpen());
        Messenger().CleanUp(QDateTime::currentDateTime().addSecs(121));
        QVERIFY(bob->WaitClosed());
        QVERIFY(User("bob").GetItems("peer_socket").Empty());
        QCOMPARE(d.GetType("last_activity_time")->ItemCount(), size_t(0));
    }

    // Beyond the bound of unfinished connections, new ones are refused; the
    // others, and established ones, go on.
    void tooManyUngreetedConnections()
    {
        LogIn();
        std::unique_ptr<RawPeer> bob = Greeted("bob", false);
        QVERIFY(bob);
        // In batches, so that the listening socket's backlog never overflows.
        std::vector<std::unique_ptr<RawPeer>> waiting;
        while (waiting.size() < size_t(PeerMessenger::MaxUngreetedConnections)) {
            for (int n = 0; n < 32; ++n) {
                waiting.push_back(std::make_unique<RawPeer>(false));
                waiting.back()->StartConnect(port);
            }
            QVERIFY(WaitUntil([&] { return d.GetType("uninitialized_socket")->ItemCount() == waiting.size(); }));
        }
        RawPeer refused(false);
        QVERIFY(refused.Connect(port));
        QVERIFY(refused.WaitClosed());
        QVERIFY(waiting.front()->IsOpen());
        QByteArray reply;
        QVERIFY(AnswersUserInfo(*bob, reply));
        waiting.front()->Send(BuildDirectGreeting("cat", "P"));
        QVERIFY(WaitUntil([&] { return User("cat").IsConnected("peer_socket"); }));
    }

    // A file connection brings its raw token, in the same write or later; a
    // distributed one is handed over at once. Nothing of the stream after the
    // token is taken. Without a receiver, the connection is closed.
    void fileAndDNetConnectionsAreHandedOver()
    {
        LogIn();
        QList<QVariantList> handed;
        QByteArray afterToken;
        QTcpSocket* fileSocket = nullptr;
        connect(&Messenger(), &PeerMessenger::FileConnectionRequested, this,
                [&](QString user, QTcpSocket* socket, unsigned int token) {
                    handed << QVariantList{"F", user, token};
                    fileSocket = socket;
                    afterToken = socket->readAll();
                });
        RawPeer file(true);
        QVERIFY(file.Connect(obfuscatedPort));
        file.SendBytes(FramePeerMessage(BuildDirectGreeting("bob", "F"), true) + Bytes(0xfeedbeefu) + "DATA");
        QVERIFY(WaitUntil([&] { return handed.size() == 1; }));
        QCOMPARE(handed.at(0), (QVariantList{"F", "bob", 0xfeedbeefu}));
        QVERIFY(afterToken.isEmpty() || afterToken == "DATA");
        QVERIFY(WaitUntil([&] { return (afterToken += fileSocket->readAll()) == "DATA"; }));
        QVERIFY(!fileSocket->parent());
        QCOMPARE(d.GetType("uninitialized_socket")->ItemCount(), size_t(0));
        fileSocket->write("ACK");
        QVERIFY(WaitUntil([&] { return file.Socket().readAll() == "ACK"; }));
        delete fileSocket;

        // In a whole core the distributed network takes these connections; here nothing does.
        QObject::disconnect(&Messenger(), &PeerMessenger::DNetConnectionRequested, dnetManager, nullptr);
        RawPeer noReceiver(false);
        QVERIFY(noReceiver.Connect(port));
        noReceiver.Send(BuildDirectGreeting("cat", "D"));
        QVERIFY(noReceiver.WaitClosed());

        QTcpSocket* dnetSocket = nullptr;
        connect(&Messenger(), &PeerMessenger::DNetConnectionRequested, this, [&](QString user, QTcpSocket* socket) {
            QCOMPARE(user, QString("cat"));
            dnetSocket = socket;
        });
        RawPeer dnet(false);
        QVERIFY(dnet.Connect(port));
        dnet.Send(BuildDirectGreeting("cat", "D"));
        QVERIFY(WaitUntil([&] { return dnetSocket != nullptr; }));
        QVERIFY(dnet.IsOpen());
        delete dnetSocket;
    }

    // Messages to a user without a connection wait; one attempt starts (a
    // second asks the server for nothing more); the user's address arrives,
    // the direct attempt on the obfuscated port succeeds, and the messages go
    // out in order. The reply comes back over the same connection.
    void reachingAUserDirectly()
    {
        LogIn();
        RawListener bobPlain;
        RawListener bobObfuscated;
        QSignalSpy failed(&Messenger(), &PeerMessenger::ConnectionToUserFailed);
        QSignalSpy info(&Messenger(), &PeerMessenger::UserInfoReceived);
        for (const char* text : {"one", "two", "three"}) {
            MemStream message = Numbered(text);
            Messenger().SendMessage("bob", message);
        }
        Messenger().ConnectToUser("bob", "P");
        std::vector<std::pair<uint32_t, MemStream>> sent;
        QCOMPARE(SentCodes(&sent), (std::vector<uint32_t>{SM_CONNECT_TO_PEER, SM_GET_PEER_ADDRESS}));
        uint32_t token = 0;
        QVERIFY(sent[0].second.Read(token));
        QCOMPARE(sent[0].second.GetPendingBytes(), Bytes(QString("bob"), QString("P")));
        QCOMPARE(sent[1].second.GetPendingBytes(), Bytes(QString("bob")));
        QCOMPARE(d.GetType("unsent_message")->ItemCount(), size_t(3));

        server->Send(PeerAddress("bob", bobPlain.Port(), bobObfuscated.Port()));
        std::unique_ptr<RawPeer> bob = bobObfuscated.Accept(true);
        QVERIFY(bob);
        MemStream body;
        QVERIFY(bob->Next(body));
        QCOMPARE(body.GetPendingBytes(), BuildDirectGreeting("alice", "P").GetPendingBytes());
        for (const char* text : {"one", "two", "three"}) {
            QVERIFY(bob->Next(body));
            QCOMPARE(TextOf(body), QString("51:") + text);
        }
        QCOMPARE(d.GetType("unsent_message")->ItemCount(), size_t(0));
        QCOMPARE(d.GetType("connect_to_peer_request")->ItemCount(), size_t(0));
        QVERIFY(User("bob").GetItem("peer_socket").IsConnected("is_obfuscated"));

        bob->Send(BuildUserInfoReply("bob here", nullptr, 1, 2, true));
        QVERIFY(WaitUntil([&] { return info.count() == 1; }));
        QCOMPARE(info.at(0).at(1).toString(), QString("bob here"));

        // The server's late word on the brokered branch changes nothing.
        server->Send(BuildMessage(uint32_t(SE_CANT_CONNECT_TO_PEER), token));
        QTest::qWait(50);
        QCOMPARE(failed.count(), 0);
    }

    // The direct port is closed: the brokered branch brings the connection,
    // the user answering with the token alice gave the server.
    void reachingAUserThroughTheServer()
    {
        LogIn();
        QSignalSpy failed(&Messenger(), &PeerMessenger::ConnectionToUserFailed);
        for (const char* text : {"one", "two"}) {
            MemStream message = Numbered(text);
            Messenger().SendMessage("carol", message);
        }
        std::vector<std::pair<uint32_t, MemStream>> sent;
        QCOMPARE(SentCodes(&sent), (std::vector<uint32_t>{SM_CONNECT_TO_PEER, SM_GET_PEER_ADDRESS}));
        uint32_t token = 0;
        QVERIFY(sent[0].second.Read(token));

        const quint16 closedPort = FreePorts(1)[0];
        server->Send(PeerAddress("carol", closedPort, 0));
        QVERIFY(WaitUntil([&] {
            ItemPtr request = g("connect_to_peer_request");
            return request.GetItem("connect_to_peer_request_status").AsString() == "connecting"
                && !request.IsConnected("connect_to_peer_request_socket");
        }));

        RawPeer carol(true);
        QVERIFY(carol.Connect(obfuscatedPort));
        carol.Send(BuildAnswerGreeting(token));
        MemStream body;
        for (const char* text : {"one", "two"}) {
            QVERIFY(carol.Next(body));
            QCOMPARE(TextOf(body), QString("51:") + text);
        }
        QCOMPARE(d.GetType("connect_to_peer_request")->ItemCount(), size_t(0));
        QCOMPARE(d.GetType("indirect_connect_to_peer_request")->ItemCount(), size_t(0));
        QCOMPARE(failed.count(), 0);
    }

    // When both branches fail, the failure is told once; an expired brokered
    // request counts as failed.
    void bothBranchesFailing()
    {
        LogIn();
        QSignalSpy failed(&Messenger(), &PeerMessenger::ConnectionToUserFailed);
        Messenger().ConnectToUser("ghost", "P");
        std::vector<std::pair<uint32_t, MemStream>> sent;
        QCOMPARE(SentCodes(&sent), (std::vector<uint32_t>{SM_CONNECT_TO_PEER, SM_GET_PEER_ADDRESS}));
        uint32_t token = 0;
        QVERIFY(sent[0].second.Read(token));
        server->Send(PeerAddress("ghost", 0, 0, 0));
        QTest::qWait(50);
        QCOMPARE(failed.count(), 0);
        server->Send(BuildMessage(uint32_t(SE_CANT_CONNECT_TO_PEER), token));
        QVERIFY(WaitUntil([&] { return failed.count() == 1; }));
        QCOMPARE(failed.at(0), (QList<QVariant>{"ghost", "P"}));

        // The address is known now: the direct attempt fails at once, the
        // brokered one expires after a minute.
        Messenger().ConnectToUser("ghost", "F");
        QCOMPARE(SentCodes(), std::vector<uint32_t>{SM_CONNECT_TO_PEER});
        Messenger().CleanUp(QDateTime::currentDateTime().addSecs(59));
        QCOMPARE(failed.count(), 1);
        Messenger().CleanUp(QDateTime::currentDateTime().addSecs(61));
        QCOMPARE(failed.count(), 2);
        QCOMPARE(failed.at(1), (QList<QVariant>{"ghost", "F"}));
        QTest::qWait(50);
        QCOMPARE(failed.count(), 2);

        // Messages for a user who cannot be reached go after five minutes.
        MemStream message = Numbered("lost");
        Messenger().SendMessage("ghost", message);
        Messenger().CleanUp(QDateTime::currentDateTime().addSecs(299));
        QCOMPARE(d.GetType("unsent_message")->ItemCount(), size_t(1));
        Messenger().CleanUp(QDateTime::currentDateTime().addSecs(301));
        QCOMPARE(d.GetType("unsent_message")->ItemCount(), size_t(0));
    }

    // Another user asks through the server: alice connects and answers with
    // the token; when she cannot, she tells the server.
    void answeringBrokeredRequests()
    {
        LogIn();
        RawListener dave;
        server->Send(BrokeredRequest("dave", "P", dave.Port(), 55));
        std::unique_ptr<RawPeer> daveSide = dave.Accept(false);
        QVERIFY(daveSide);
        MemStream body;
        QVERIFY(daveSide->Next(body));
        QCOMPARE(body.GetPendingBytes(), BuildAnswerGreeting(55).GetPendingBytes());
        QByteArray reply;
        QVERIFY(AnswersUserInfo(*daveSide, reply));
        QCOMPARE(d.GetType("peer_connection_request")->ItemCount(), size_t(0));

        // A file connection: the requester sends the token raw.
        QList<QVariantList> files;
        connect(&Messenger(), &PeerMessenger::FileConnectionRequested, this,
                [&](QString user, QTcpSocket* socket, unsigned int token) {
                    files << QVariantList{user, token};
                    socket->deleteLater();
                });
        RawListener fred;
        server->Send(BrokeredRequest("fred", "F", 0, 56, fred.Port()));
        std::unique_ptr<RawPeer> fredSide = fred.Accept(true);
        QVERIFY(fredSide);
        QVERIFY(fredSide->Next(body));
        QCOMPARE(body.GetPendingBytes(), BuildAnswerGreeting(56).GetPendingBytes());
        fredSide->SendBytes(Bytes(77u));
        QVERIFY(WaitUntil([&] { return files.size() == 1; }));
        QCOMPARE(files.at(0), (QVariantList{"fred", 77u}));

        // Nothing listens, or the type is unknown: the server hears of it.
        server->Send(BrokeredRequest("erin", "P", FreePorts(1)[0], 57));
        server->Send(BrokeredRequest("gus", "Z", dave.Port(), 58));
        QByteArray failures;
        for (int n = 0; n < 2; ++n) {
            uint32_t code = 0;
            QVERIFY(server->Next(code, body));
            QCOMPARE(code, uint32_t(SE_CANT_CONNECT_TO_PEER));
            failures += body.GetPendingBytes();
        }
        QCOMPARE(d.GetType("peer_connection_request")->ItemCount(), size_t(0));
        QVERIFY(failures == Bytes(58u, QString("gus"), 57u, QString("erin"))
                || failures == Bytes(57u, QString("erin"), 58u, QString("gus")));
    }
};

QTEST_GUILESS_MAIN(TestMessenger)
#include "tst_messenger.moc"
