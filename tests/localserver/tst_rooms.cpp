#include "TestClient.h"

#include <QtTest>

namespace {

// A join reply for users that are online and share nothing; a private
// room's reply ends with its owner and operators.
QByteArray JoinReply(const QString& room, const std::vector<QString>& users, const QByteArray& privateRoom = {})
{
    const auto count = uint32_t(users.size());
    QByteArray reply = Body(room, users, std::vector<qint32>(count, 2), count);
    for (uint32_t i = 0; i < count; ++i)
        reply += Body(uint32_t(0), uint64_t(0), uint32_t(0), uint32_t(0));
    return reply + Body(std::vector<qint32>(count, 0), std::vector<QString>(count)) + privateRoom;
}

// A room list: public rooms, owned, member of, operator of; each with its user counts but the last.
QByteArray RoomList(const std::vector<QString>& publicRooms, const std::vector<qint32>& publicCounts,
                    const std::vector<QString>& owned = {}, const std::vector<qint32>& ownedCounts = {},
                    const std::vector<QString>& member = {}, const std::vector<qint32>& memberCounts = {},
                    const std::vector<QString>& operated = {})
{
    return Body(publicRooms, publicCounts, owned, ownedCounts, member, memberCounts, operated);
}

QByteArray Join(const QString& room)
{
    return Frame(Message(14, room, uint32_t(0)));
}

} // namespace

class TestRooms : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalNetwork> m_network;
    TestClient* m_alice = nullptr;
    TestClient* m_bob = nullptr;
    TestClient* m_carol = nullptr;

private slots:
    void init()
    {
        m_network = std::make_unique<LocalNetwork>();
        m_alice = m_network->LogIn("alice");
        m_bob = m_network->LogIn("bob");
        m_carol = m_network->LogIn("carol");
        QVERIFY(m_alice && m_bob && m_carol);
    }

    void cleanup() { m_network.reset(); }

    void ThreeUsersJoinChatAndLeave()
    {
        m_alice->SendRaw(Join("lounge"));
        QCOMPARE(m_alice->BodyOf(14), JoinReply("lounge", {"alice"}));
        QCOMPARE(m_alice->BodyOf(113), Body(QString("lounge"), uint32_t(0)));

        m_bob->SendRaw(Join("lounge"));
        QCOMPARE(m_bob->BodyOf(14), JoinReply("lounge", {"alice", "bob"}));
        QCOMPARE((Fields<QString, QString>(m_alice->WaitFor(16))), std::make_tuple(QString("lounge"), QString("bob")));

        m_carol->SendRaw(Join("lounge"));
        QCOMPARE(m_carol->BodyOf(14), JoinReply("lounge", {"alice", "bob", "carol"}));
        for (TestClient* earlier : {m_alice, m_bob})
            QCOMPARE(std::get<1>(Fields<QString, QString>(earlier->WaitFor(16))), QStringLiteral("carol"));

        m_bob->Send(Message(13, QString("lounge"), QString("hello all")));
        for (TestClient* client : {m_alice, m_bob, m_carol})
            QCOMPARE(client->BodyOf(13), Body(QString("lounge"), QString("bob"), QString("hello all")));

        m_carol->Send(Message(15, QString("lounge")));
        QCOMPARE(m_carol->BodyOf(15), Body(QString("lounge")));
        for (TestClient* other : {m_alice, m_bob})
            QCOMPARE(other->BodyOf(17), Body(QString("lounge"), QString("carol")));
        m_bob->Socket().disconnectFromHost();
        QCOMPARE(m_alice->BodyOf(17), Body(QString("lounge"), QString("bob")));

        m_carol->Send(Message(13, QString("lounge"), QString("not in it")));
        QVERIFY(m_carol->Sync());
        QVERIFY(m_alice->GotNo(13));
    }

    void PublicRoomsAreListedWhileInUse()
    {
        m_alice->SendRaw(Join("lounge") + Join(" padded") + Join(QString())); // two invalid names
        m_bob->SendRaw(Join("lounge"));
        QVERIFY(m_alice->Got(14) && m_alice->GotNo(14) && m_bob->Sync());
        m_carol->Send(Message(64));
        QCOMPARE(m_carol->BodyOf(64), RoomList({"lounge"}, {2}));

        m_alice->Send(Message(15, QString("lounge")));
        m_bob->Send(Message(15, QString("lounge")));
        QVERIFY(m_alice->Sync() && m_bob->Sync());
        m_carol->Send(Message(64));
        QCOMPARE(m_carol->BodyOf(64), RoomList({}, {}));
    }

    void TickersAreKeptPerUserAndSentOnJoin()
    {
        m_alice->SendRaw(Join("lounge"));
        m_alice->Send(Message(116, QString("lounge"), QString("first")));
        m_alice->Send(Message(116, QString("lounge"), QString("second")));
        QCOMPARE(m_alice->BodyOf(114), Body(QString("lounge"), QString("alice"), QString("first")));
        QVERIFY(m_alice->Sync());
        m_bob->SendRaw(Join("lounge"));
        QCOMPARE(m_bob->BodyOf(113), Body(QString("lounge"), uint32_t(1), QString("alice"), QString("second")));
    }

    void PrivateRoomsAdmitOnlyTheirMembers()
    {
        m_alice->Send(Message(14, QString("den"), uint32_t(1)));
        const QByteArray ownedByAlice = Body(QString("alice"), std::vector<QString>());
        QCOMPARE(m_alice->BodyOf(14), JoinReply("den", {"alice"}, ownedByAlice));
        QCOMPARE(m_alice->BodyOf(64), RoomList({}, {}, {"den"}, {1}));
        m_carol->SendRaw(Join("den"));
        QVERIFY(m_carol->GotNo(14));

        m_alice->Send(Message(134, QString("den"), QString("bob")));
        QCOMPARE(m_alice->BodyOf(134), Body(QString("den"), QString("bob")));
        QCOMPARE(m_bob->BodyOf(139), Body(QString("den")));
        m_bob->SendRaw(Join("den"));
        QCOMPARE(m_bob->BodyOf(14), JoinReply("den", {"alice", "bob"}, ownedByAlice));
        QCOMPARE(m_bob->BodyOf(133), Body(QString("den"), std::vector<QString>{"bob"}));

        m_alice->Send(Message(143, QString("den"), QString("bob")));
        QCOMPARE(m_bob->BodyOf(145), Body(QString("den")));
        QCOMPARE(m_bob->BodyOf(143), Body(QString("den"), QString("bob")));
        m_bob->Send(Message(64));
        QCOMPARE(m_bob->BodyOf(64), RoomList({}, {}, {}, {}, {"den"}, {2}, {"den"}));

        // An operator may add members, but only the owner may make operators.
        m_bob->Send(Message(134, QString("den"), QString("carol")));
        QCOMPARE(m_carol->BodyOf(139), Body(QString("den")));
        m_bob->Send(Message(143, QString("den"), QString("carol")));
        QVERIFY(m_bob->Sync());
        QVERIFY(m_carol->GotNo(145));

        m_alice->Send(Message(135, QString("den"), QString("bob")));
        for (quint32 code : {146u, 15u, 140u})
            QCOMPARE(m_bob->BodyOf(code), Body(QString("den")));
        QCOMPARE(m_alice->BodyOf(17), Body(QString("den"), QString("bob")));
        m_bob->SendRaw(Join("den"));
        QVERIFY(m_bob->GotNo(14));
    }

    void GivingUpAPrivateRoomEndsIt()
    {
        m_carol->Send(Message(141, false)); // carol will not be added
        QCOMPARE(m_carol->BodyOf(141), Body(false));
        m_alice->Send(Message(14, QString("den"), uint32_t(1)));
        m_alice->Send(Message(134, QString("den"), QString("carol")));
        m_alice->Send(Message(134, QString("den"), QString("bob")));
        QVERIFY(m_bob->Got(139) && m_carol->GotNo(139));
        m_bob->SendRaw(Join("den"));
        QVERIFY(m_bob->Got(14));

        m_bob->Send(Message(137, QString("den"))); // not the owner
        QVERIFY(m_bob->GotNo(140));
        m_alice->Send(Message(137, QString("den")));
        QCOMPARE(m_bob->BodyOf(15), Body(QString("den")));
        QCOMPARE(m_bob->BodyOf(140), Body(QString("den")));
        QCOMPARE(m_alice->BodyOf(140), Body(QString("den")));

        // The name is free again, for a public room.
        m_carol->SendRaw(Join("den"));
        QCOMPARE(m_carol->BodyOf(14), JoinReply("den", {"carol"}));
    }
};

QTEST_GUILESS_MAIN(TestRooms)
#include "tst_rooms.moc"
