#include "SessionFixture.h"

#include "app/Settings.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{
// A message body from its fields in order.
template <class... Fields>
MemStream Body(Fields const&... fields)
{
    MemStream body;
    (body.Write(fields), ...);
    return body;
}

ItemPtr User(char const* name) { return d.GetType("user")->GetItem(name); }
ItemPtr Room(char const* name) { return d.GetType("room")->GetItem(name); }
QString Text(ItemPtr item, char const* type) { return item.GetItem(type).AsString(); }

UserStats Stats(uint32_t speed, uint32_t files)
{
    UserStats stats;
    stats.averageSpeed = speed;
    stats.fileCount = files;
    return stats;
}

QStringList Names(ItemSet const& items)
{
    QStringList names;
    for (ItemPtr item : items)
        names << item.AsString();
    names.sort();
    return names;
}
} // namespace

// What each message from the server does to the graph and which signal it raises.
class TestHandlers : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SessionFixture> f;

    void Handle(ServerMessageCode code, MemStream body) { f->server->HandleMessage(int(code), body); }

    void ExpectSent(uint32_t code, MemStream& body)
    {
        uint32_t read = 0;
        QVERIFY(f->far->ReadMessage(read, body));
        QCOMPARE(read, code);
    }

private slots:
    void init()
    {
        f = std::make_unique<SessionFixture>();
        QVERIFY(f->LogIn());
    }
    void cleanup() { f.reset(); }

    void peerAddressWithoutObfuscationStoresZero()
    {
        f->server->GetUserAddress("ann");
        Handle(SM_GET_PEER_ADDRESS, Body(QString("ann"), uint32_t(0x7f000001), int32_t(2235), int32_t(0), uint16_t(40000)));
        ItemPtr ann = User("ann");
        QCOMPARE(ann.GetItem("user_address").AsUInt(), 0x7f000001u);
        QCOMPARE(ann.GetItem("user_port").AsInt(), 2235);
        QCOMPARE(ann.GetItem("user_obfuscated_port").AsInt(), 0);
        QVERIFY(!ann.IsConnected("user_address_request"));
    }

    void peerAddressWithObfuscationStoresPort()
    {
        Handle(SM_GET_PEER_ADDRESS, Body(QString("ann"), uint32_t(1), int32_t(2235), int32_t(1), uint16_t(40000)));
        QCOMPARE(User("ann").GetItem("user_obfuscated_port").AsInt(), 40000);
    }

    void addUserReportsPresence()
    {
        QSignalSpy response(f->server.get(), &Server::AddUserResponse);
        Handle(SM_ADD_USER, Body(QString("ann"), true, int32_t(2), Stats(10, 20), QString("NZ")));
        QCOMPARE(response.count(), 1);
        QCOMPARE(response.at(0).at(1).toBool(), true);
        ItemPtr ann = User("ann");
        QVERIFY(ann.IsConnected("is_online"));
        QCOMPARE(Text(ann, "country_code"), QString("NZ"));
        QVERIFY(!Text(ann, "last_online_status_change").isEmpty());
        QVERIFY(!ann.IsConnected("average_download_speed"));

        Handle(SM_ADD_USER, Body(QString("ann"), true, int32_t(0), Stats(10, 20)));
        QVERIFY(!ann.IsConnected("is_online"));

        Handle(SM_ADD_USER, Body(QString("ghost"), false));
        QCOMPARE(response.count(), 3);
        QCOMPARE(response.at(2).at(1).toBool(), false);
        QVERIFY(!d.GetType("user")->HasItem("ghost").IsConnected("is_online"));
    }

    void userStatusOnlineAwayOfflineAndPrivileged()
    {
        ItemPtr ann = User("ann");
        Handle(SM_GET_USER_STATUS, Body(QString("ann"), int32_t(1), true));
        QVERIFY(ann.IsConnected("is_online"));
        QCOMPARE(ann.GetItem("is_away"), d.GetType("is_away")->GetGlobalNullItem());
        QVERIFY(ann.IsConnected("is_privileged"));
        const QString firstChange = Text(ann, "last_online_status_change");
        QVERIFY(!firstChange.isEmpty());

        Handle(SM_GET_USER_STATUS, Body(QString("ann"), int32_t(2), false));
        QVERIFY(ann.IsConnected("is_online"));
        QVERIFY(!ann.IsConnected("is_away"));
        QVERIFY(ann.IsConnected("is_privileged"));

        Handle(SM_GET_USER_STATUS, Body(QString("ann"), int32_t(0), false));
        QVERIFY(!ann.IsConnected("is_online"));
    }

    void roomChatFromIgnoredUserIsDropped()
    {
        QSignalSpy chat(f->server.get(), &Server::RoomChat);
        User("troll").NewItem("is_ignored");
        Handle(SM_SAY_CHATROOM, Body(QString("lobby"), QString("troll"), QString("spam")));
        Handle(SM_SAY_CHATROOM, Body(QString("lobby"), QString("stranger"), QString("hello")));
        QCOMPARE(chat.count(), 1);
        QCOMPARE(chat.at(0).at(1).toString(), QString("stranger"));
        QVERIFY(!d.GetType("user")->HasItem("stranger"));
    }

    void joinRoomReplacesUsersAndOperators()
    {
        ItemPtr room = Room("club");
        User("old").Connect(room);
        room.NewItem("room_operators") += User("formerop");
        MemStream body = Body(QString("club"), std::vector<QString>{"ann", "bob"}, std::vector<int32_t>{2, 1});
        body.Write(uint32_t(2));
        body.Write(Stats(100, 5));
        body.Write(Stats(200, 6));
        body.Write(std::vector<int32_t>{0, 0});
        body.Write(std::vector<QString>{"NZ", "DE"});
        body.Write(QString("ann"));
        body.Write(std::vector<QString>{"bob"});
        Handle(SM_JOIN_ROOM, body);

        QVERIFY(room.IsConnected("in_room"));
        QCOMPARE(Names(room.GetItems("user")), (QStringList{"ann", "bob"}));
        QCOMPARE(room.GetItem("room_owner").GetItem("user"), User("ann"));
        QCOMPARE(Names(room.GetItem("room_operators").GetItems("user")), QStringList{"bob"});
        QCOMPARE(User("bob").GetItem("average_download_speed").AsInt(), 200);
        QCOMPARE(User("bob").GetItem("shared_file_count").AsInt(), 6);
        QCOMPARE(Text(User("ann"), "country_code"), QString("NZ"));
    }

    void leaveRoomOnlyWhenIn()
    {
        ItemPtr room = Room("club");
        User("ann").Connect(room);
        Handle(SM_LEAVE_ROOM, Body(QString("club")));
        QVERIFY(room.IsConnected("user"));
        room.NewItem("in_room");
        Handle(SM_LEAVE_ROOM, Body(QString("club")));
        QVERIFY(!room.IsConnected("in_room"));
        QVERIFY(!room.IsConnected("user"));
    }

    void usersComeAndGo()
    {
        Handle(SM_USER_JOINED_ROOM,
               Body(QString("club"), QString("ann"), int32_t(2), Stats(300, 7), int32_t(0), QString("FR")));
        QVERIFY(User("ann").IsConnected(Room("club")));
        QCOMPARE(User("ann").GetItem("average_download_speed").AsInt(), 300);
        QCOMPARE(Text(User("ann"), "country_code"), QString("FR"));
        Handle(SM_USER_LEFT_ROOM, Body(QString("club"), QString("ann")));
        QVERIFY(!User("ann").IsConnected(Room("club")));
    }

    void connectToPeerCreatesRequest()
    {
        Handle(SM_CONNECT_TO_PEER, Body(QString("ann"), QString("F"), uint32_t(0x0a000001), int32_t(2235),
                                        uint32_t(77), true, int32_t(0)));
        ItemPtr request = d.GetType("peer_connection_request")->GetItems().First();
        QVERIFY(request);
        QCOMPARE(request.GetItem("peer_connection_request_id").AsUInt(), 77u);
        QCOMPARE(Text(request, "peer_connection_type"), QString("F"));
        QCOMPARE(request.GetItem("user"), User("ann"));
        QCOMPARE(User("ann").GetItem("user_address").AsUInt(), 0x0a000001u);
        QCOMPARE(User("ann").GetItem("user_obfuscated_port").AsInt(), 0);
        QVERIFY(User("ann").IsConnected("is_privileged"));

        Handle(SM_CONNECT_TO_PEER, Body(QString("bob"), QString("P"), uint32_t(1), int32_t(2235), uint32_t(78),
                                        false, int32_t(1), int32_t(2236)));
        QCOMPARE(d.GetType("peer_connection_request")->ItemCount(), size_t(2));
        QCOMPARE(User("bob").GetItem("user_obfuscated_port").AsInt(), 2236);
        QVERIFY(!User("bob").IsConnected("is_privileged"));
    }

    void privateMessageIsAcknowledgedEvenWhenIgnored()
    {
        QSignalSpy chat(f->server.get(), &Server::PrivateChat);
        User("troll").NewItem("is_ignored");
        Handle(SM_MESSAGE_USER, Body(int32_t(5), int32_t(1000), QString("troll"), QString("spam"), false));
        Handle(SM_MESSAGE_USER, Body(int32_t(6), int32_t(2000), QString("ann"), QString("hi"), true));
        QCOMPARE(chat.count(), 1);
        QCOMPARE(chat.at(0).at(0).toString(), QString("ann"));
        QCOMPARE(chat.at(0).at(1).toString(), QString("hi"));
        QCOMPARE(chat.at(0).at(2).value<time_t>(), time_t(2000));
        QCOMPARE(chat.at(0).at(3).toBool(), true);
        MemStream body;
        uint32_t id = 0;
        ExpectSent(SM_MESSAGE_ACKED, body);
        QVERIFY(body.Read(id));
        QCOMPARE(id, 5u);
        ExpectSent(SM_MESSAGE_ACKED, body);
        QVERIFY(body.Read(id));
        QCOMPARE(id, 6u);
    }

    void privilegesWordAsksForOwnPrivileges()
    {
        Handle(SM_MESSAGE_USER, Body(int32_t(1), int32_t(0), QString("server"), QString("Privileges granted"), false));
        Handle(SM_MESSAGE_USER, Body(int32_t(2), int32_t(0), QString("server"), QString("your privileges"), false));
        MemStream body;
        ExpectSent(SM_MESSAGE_ACKED, body);
        ExpectSent(SM_MESSAGE_ACKED, body);
        ExpectSent(SM_GET_OWN_PRIVILEGES_STATUS, body);
        f->server->EveryFiveMinutes();
        ExpectSent(SM_HEARTBEAT, body);
    }

    void searchAndStatsSignals()
    {
        QSignalSpy search(f->server.get(), &Server::DirectFileSearch);
        Handle(SM_FILE_SEARCH, Body(QString("ann"), uint32_t(42), QString("pink floyd")));
        QCOMPARE(search.count(), 1);
        QCOMPARE(search.at(0).at(1).toUInt(), 42u);
        QCOMPARE(search.at(0).at(2).toString(), QString("pink floyd"));

        QSignalSpy stats(f->server.get(), &Server::ReceivedUserStats);
        Handle(SM_GET_USER_STATS, Body(QString("ann"), Stats(512, 99)));
        QCOMPARE(stats.count(), 1);
        QCOMPARE(stats.at(0).at(1).value<UserStats>().fileCount, 99u);
        QCOMPARE(User("ann").GetItem("average_download_speed").AsInt(), 512);
        QCOMPARE(User("ann").GetItem("shared_file_count").AsInt(), 99);
    }

    void askedRoomListCreatesRooms()
    {
        QCOMPARE(GetSetting("accept_room_list"), QString("yes"));
        Handle(SM_ROOM_LIST, Body(std::vector<QString>{"lobby", "music"}, std::vector<int32_t>{10, 3},
                                  std::vector<QString>{"mine"}, std::vector<int32_t>{1},
                                  std::vector<QString>{"friends"}, std::vector<int32_t>{4},
                                  std::vector<QString>{"friends"}));
        QCOMPARE(GetSetting("accept_room_list"), QString("no"));
        QCOMPARE(Room("lobby").GetItem("user_count").AsInt(), 10);
        QCOMPARE(Room("music").GetItem("user_count").AsInt(), 3);
        ItemPtr mine = Room("mine");
        QVERIFY(mine.IsConnected("is_owner") && mine.IsConnected("is_private") && mine.IsConnected("is_member"));
        ItemPtr friends = Room("friends");
        QVERIFY(!friends.IsConnected("is_owner"));
        QVERIFY(friends.IsConnected("is_private") && friends.IsConnected("is_member"));
        QVERIFY(friends.IsConnected("is_operator"));
        QCOMPARE(friends.GetItem("user_count").AsInt(), 4);
    }

    void unaskedRoomListOnlyRefreshesKnownPublicRooms()
    {
        ItemPtr lobby = Room("lobby");
        ItemPtr lost = Room("lost");
        lost += d.GetType("is_owner")->GetGlobalNullItem();
        lost += d.GetType("is_member")->GetGlobalNullItem();
        lost.NewItem("is_operator");
        SetSetting("accept_room_list", "no");
        Handle(SM_ROOM_LIST, Body(std::vector<QString>{"lobby", "brandnew"}, std::vector<int32_t>{7, 2},
                                  std::vector<QString>{"mine"}, std::vector<int32_t>{1}, std::vector<QString>{},
                                  std::vector<int32_t>{}, std::vector<QString>{}));
        QCOMPARE(lobby.GetItem("user_count").AsInt(), 7);
        QVERIFY(!d.GetType("room")->HasItem("brandnew"));
        QVERIFY(d.GetType("room")->HasItem("mine").IsConnected("is_owner"));
        QVERIFY(!lost.IsConnected("is_owner"));
        QVERIFY(!lost.IsConnected("is_member"));
        QVERIFY(lost.IsConnected("is_operator"));
    }

    void roomListWithHugeCountIsTakenAsEmpty()
    {
        MemStream body;
        body.Write(uint32_t(200000));
        Handle(SM_ROOM_LIST, body);
        QCOMPARE(d.GetType("room")->ItemCount(), size_t(0));
    }

    void privilegesAndAdminMessages()
    {
        QSignalSpy admin(f->server.get(), &Server::AdminMessage);
        Handle(SM_ADMIN_MESSAGE, Body(QString("maintenance")));
        QCOMPARE(admin.at(0).at(0).toString(), QString("maintenance"));

        Handle(SM_PRIVILEGED_LIST, Body(std::vector<QString>{"ann", "bob"}));
        QVERIFY(User("ann").IsConnected("is_privileged") && User("bob").IsConnected("is_privileged"));

        QSignalSpy own(f->server.get(), &Server::ReceivedOwnPrivilegesStatus);
        SetSetting("is_supporter", "");
        Handle(SM_GET_OWN_PRIVILEGES_STATUS, Body(int32_t(0)));
        QCOMPARE(GetSetting("privileges_time_left"), QString("0"));
        QCOMPARE(GetSetting("is_supporter"), QString());
        Handle(SM_GET_OWN_PRIVILEGES_STATUS, Body(int32_t(3600)));
        QCOMPARE(GetSetting("privileges_time_left"), QString("3600"));
        QCOMPARE(GetSetting("is_supporter"), QString("yes"));
        QCOMPARE(own.count(), 2);
        QCOMPARE(own.at(1).at(0).toInt(), 3600);
    }

    void distributedNetworkSignals()
    {
        QSignalSpy minSpeed(f->server.get(), &Server::DNetParentMinSpeed);
        QSignalSpy ratio(f->server.get(), &Server::DNetParentSpeedConnectionRatio);
        QSignalSpy report(f->server.get(), &Server::DNetDeliveryReport);
        QSignalSpy reset(f->server.get(), &Server::DNetReset);
        QSignalSpy wishList(f->server.get(), &Server::WishListWait);
        QSignalSpy failure(f->server.get(), &Server::IndirectPeerConnectionFailure);
        QByteArray relayed;
        connect(f->server.get(), &Server::DNetMessage, this,
                [&](MemStream& message) { relayed = message.GetPendingBytes(); });
        PossibleParentList parents;
        connect(f->server.get(), &Server::DNetPossibleParents, this,
                [&](PossibleParentList& list) { parents = list; });

        Handle(SM_SET_PARENT_MIN_SPEED, Body(int32_t(1)));
        Handle(SM_SET_PARENT_SPEED_CONNECTION_RATIO, Body(int32_t(50)));
        Handle(SM_DNET_DELIVERY_REPORT, Body(int32_t(3)));
        Handle(SM_DNET_RESET, MemStream());
        Handle(SM_WISHLIST_WAIT, Body(uint32_t(720)));
        Handle(SE_CANT_CONNECT_TO_PEER, Body(uint32_t(9)));
        Handle(SM_DNET_MESSAGE, Body(uint8_t(3), QString("x")));
        Handle(SM_POSSIBLE_PARENTS, Body(uint32_t(2), QString("p1"), uint32_t(1), int32_t(11), QString("p2"),
                                         uint32_t(2), int32_t(22)));

        QCOMPARE(minSpeed.at(0).at(0).toInt(), 1);
        QCOMPARE(ratio.at(0).at(0).toInt(), 50);
        QCOMPARE(report.at(0).at(0).toInt(), 3);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(wishList.at(0).at(0).toUInt(), 720u);
        QCOMPARE(failure.at(0).at(0).toUInt(), 9u);
        QCOMPARE(relayed, Body(uint8_t(3), QString("x")).GetPendingBytes());
        QCOMPARE(parents.size(), size_t(2));
        QCOMPARE(parents.front().first, QString("p1"));
        QCOMPARE(parents.back().second.port, 22);
    }

    void tickerSetTwiceLeavesOneWithHigherOrder()
    {
        Handle(SM_GET_ROOM_TICKER, Body(QString("club"), uint32_t(2), QString("ann"), QString("hello"),
                                        QString("bob"), QString("hey")));
        ItemPtr club = Room("club");
        QCOMPARE(club.GetItems("room_ticker").Size(), size_t(2));
        ItemPtr first = d.GetItem(club, User("ann"), "room_ticker");
        const long long firstOrder = first.GetItem("room_ticker_order").AsInt64();

        Handle(SM_ROOM_TICKER_USER_ADDED, Body(QString("club"), QString("ann"), QString("again")));
        QCOMPARE(club.GetItems("room_ticker").Size(), size_t(2));
        ItemPtr second = d.GetItem(club, User("ann"), "room_ticker");
        QCOMPARE(Text(second, "room_ticker_text"), QString("again"));
        QVERIFY(second.GetItem("room_ticker_order").AsInt64() > firstOrder);

        Handle(SM_GET_ROOM_TICKER, Body(QString("club"), uint32_t(1), QString("bob"), QString("only")));
        QCOMPARE(club.GetItems("room_ticker").Size(), size_t(1));
        QCOMPARE(d.GetType("room_ticker")->ItemCount(), size_t(1));
    }

    void privateRoomMembersAndOperators()
    {
        Handle(SM_ROOM_MEMBERS, Body(QString("club"), std::vector<QString>{"ann", "bob"}));
        ItemPtr members = Room("club").GetItem("room_members");
        QCOMPARE(Names(members.GetItems("user")), (QStringList{"ann", "bob"}));
        Handle(SM_ADD_ROOM_MEMBER, Body(QString("club"), QString("cat")));
        Handle(SM_REMOVE_ROOM_MEMBER, Body(QString("club"), QString("ann")));
        QCOMPARE(Names(members.GetItems("user")), (QStringList{"bob", "cat"}));
        Handle(SM_ROOM_MEMBERS, Body(QString("club"), std::vector<QString>{"dan"}));
        QCOMPARE(Names(members.GetItems("user")), QStringList{"dan"});

        Handle(SM_ROOM_OPERATORS, Body(QString("club"), std::vector<QString>{"ann"}));
        Handle(SM_ADD_ROOM_OPERATOR, Body(QString("club"), QString("bob")));
        ItemPtr operators = Room("club").GetItem("room_operators");
        QCOMPARE(Names(operators.GetItems("user")), (QStringList{"ann", "bob"}));
        Handle(SM_REMOVE_ROOM_OPERATOR, Body(QString("club"), QString("ann")));
        QCOMPARE(Names(operators.GetItems("user")), QStringList{"bob"});
    }

    void removalsCreateNoUnknownUsersOrRooms_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("user left room") << int(SM_USER_LEFT_ROOM);
        QTest::newRow("member removed") << int(SM_REMOVE_ROOM_MEMBER);
        QTest::newRow("operator removed") << int(SM_REMOVE_ROOM_OPERATOR);
    }

    void removalsCreateNoUnknownUsersOrRooms()
    {
        QFETCH(int, code);
        Handle(ServerMessageCode(code), Body(QString("nowhere"), QString("nobody")));
        QVERIFY(!d.GetType("room")->HasItem("nowhere"));
        ItemPtr club = Room("club");
        club.NewItem("room_members") += User("ann");
        club.NewItem("room_operators") += User("ann");
        User("ann") += club;
        Handle(ServerMessageCode(code), Body(QString("club"), QString("nobody")));
        QVERIFY(!d.GetType("user")->HasItem("nobody"));
    }

    void madeMemberJoinsAtOnce()
    {
        Handle(SM_ADD_ROOM_MEMBERSHIP, Body(QString("secret")));
        ItemPtr room = Room("secret");
        QVERIFY(room.IsConnected("is_private") && room.IsConnected("is_member"));
        MemStream body;
        ExpectSent(SM_JOIN_ROOM, body);
        QString name;
        uint32_t isPrivate = 9;
        QVERIFY(body.Read(name) && body.Read(isPrivate));
        QCOMPARE(name, QString("secret"));
        QCOMPARE(isPrivate, 0u);

        Handle(SM_ADD_ROOM_OPERATORSHIP, Body(QString("secret")));
        QVERIFY(room.IsConnected("is_operator"));
        Handle(SM_REMOVE_ROOM_OPERATORSHIP, Body(QString("secret")));
        QVERIFY(!room.IsConnected("is_operator"));
        Handle(SM_ADD_ROOM_OPERATORSHIP, Body(QString("secret")));
        room += d.GetType("is_owner")->GetGlobalNullItem();
        Handle(SM_REMOVE_ROOM_MEMBERSHIP, Body(QString("secret")));
        QVERIFY(!room.IsConnected("is_member") && !room.IsConnected("is_operator") && !room.IsConnected("is_owner"));
        QVERIFY(room.IsConnected("is_private"));
    }

    void privateRoomAddSetting()
    {
        QSignalSpy enabled(f->server.get(), &Server::PrivateRoomAddEnabled);
        Handle(SM_ENABLE_PRIVATE_ROOM_ADD, Body(true));
        QCOMPARE(GetSetting("accept_private_room_add"), QString("yes"));
        Handle(SM_ENABLE_PRIVATE_ROOM_ADD, Body(false));
        QCOMPARE(GetSetting("accept_private_room_add"), QString("no"));
        QCOMPARE(enabled.count(), 2);
    }

    void searchCorrelationsReplaceEarlierOnes()
    {
        QSignalSpy correlations(f->server.get(), &Server::SearchCorrelations);
        Handle(SM_SEARCH_CORRELATIONS, Body(QString("floyd"), uint32_t(2), QString("pink"), int32_t(9),
                                            QString("wall"), int32_t(5)));
        ItemPtr text = d.GetType("search_request_text")->GetItem("floyd");
        QCOMPARE(text.GetItems("search_correlation").Size(), size_t(2));
        Handle(SM_SEARCH_CORRELATIONS, Body(QString("floyd"), uint32_t(1), QString("moon"), int32_t(3)));
        ItemSet now = text.GetItems("search_correlation");
        QCOMPARE(now.Size(), size_t(1));
        QCOMPARE(Text(now.First(), "correlation_text"), QString("moon"));
        QCOMPARE(now.First().GetItem("correlation_rank").AsInt(), 3);
        QCOMPARE(correlations.count(), 2);
        QCOMPARE(correlations.at(0).at(0).toString(), QString("floyd"));
    }

    void shortAndUnknownMessagesAreHarmless()
    {
        for (int code : {int(SM_RELOGGED), int(SM_SET_PARENT_INACTIVITY_BEFORE_DISCONNECT), 4, 9999})
            Handle(ServerMessageCode(code), Body(uint32_t(1)));
        QSignalSpy chat(f->server.get(), &Server::PrivateChat);
        Handle(SM_MESSAGE_USER, Body(int32_t(1)));
        QCOMPARE(chat.count(), 1);
        QVERIFY(f->server->IsConnected());
    }
};

QTEST_GUILESS_MAIN(TestHandlers)
#include "tst_handlers.moc"
