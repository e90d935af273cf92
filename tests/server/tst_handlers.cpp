#include "SessionFixture.h"

#include "app/Settings.h"
#include "store/Data.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
ItemPtr User(const char* name)
{
    return d.GetType("user")->GetItem(name);
}
ItemPtr Room(const char* name)
{
    return d.GetType("room")->GetItem(name);
}
bool Known(const char* type, const char* name)
{
    return bool(d.GetType(type)->HasItem(name));
}
QString Text(ItemPtr item, const char* type)
{
    return item.GetItem(type).AsString();
}
int Number(ItemPtr item, const char* type)
{
    return item.GetItem(type).AsInt();
}
bool Flagged(ItemPtr item, std::initializer_list<const char*> types)
{
    for (const char* type : types)
        if (!item.IsConnected(type))
            return false;
    return true;
}

QStringList Names(const ItemSet& items)
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

    void Handle(int code, MemStream body) { f->server->HandleMessage(code, body); }

private slots:
    void init()
    {
        f = std::make_unique<SessionFixture>();
        QVERIFY(f->LogIn());
    }
    void cleanup() { f.reset(); }

    // Messages whose whole effect is one signal with the fields read.
    void emitted_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<QVariantList>("arguments");
        QTest::newRow("26") << int(SM_FILE_SEARCH) << Bytes(QString("ann"), 42u, QString("pink floyd"))
                            << QByteArray(SIGNAL(DirectFileSearch(QString, quint32, QString)))
                            << QVariantList{"ann", 42u, "pink floyd"};
        QTest::newRow("66") << int(SM_ADMIN_MESSAGE) << Bytes(QString("maintenance"))
                            << QByteArray(SIGNAL(AdminMessage(QString))) << QVariantList{"maintenance"};
        QTest::newRow("83") << int(SM_SET_PARENT_MIN_SPEED) << Bytes(int32_t(1))
                            << QByteArray(SIGNAL(DNetParentMinSpeed(int))) << QVariantList{1};
        QTest::newRow("84") << int(SM_SET_PARENT_SPEED_CONNECTION_RATIO) << Bytes(int32_t(50))
                            << QByteArray(SIGNAL(DNetParentSpeedConnectionRatio(int))) << QVariantList{50};
        QTest::newRow("104") << int(SM_WISHLIST_WAIT) << Bytes(720u) << QByteArray(SIGNAL(WishListWait(uint)))
                             << QVariantList{720u};
        QTest::newRow("128") << int(SM_DNET_DELIVERY_REPORT) << Bytes(int32_t(3))
                             << QByteArray(SIGNAL(DNetDeliveryReport(int))) << QVariantList{3};
        QTest::newRow("130") << int(SM_DNET_RESET) << QByteArray() << QByteArray(SIGNAL(DNetReset())) << QVariantList{};
        QTest::newRow("1001") << int(SE_CANT_CONNECT_TO_PEER) << Bytes(9u)
                              << QByteArray(SIGNAL(IndirectPeerConnectionFailure(uint))) << QVariantList{9u};
    }

    void emitted()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, signal);
        QSignalSpy spy(f->server.get(), signal.constData());
        Handle(code, MemStream(body));
        QCOMPARE(spy.count(), 1);
        QTEST(QVariantList(spy.at(0)), "arguments");
    }

    void distributedMessagesHandedOn()
    {
        QByteArray relayed;
        connect(f->server.get(), &Server::DNetMessage, this,
                [&](MemStream& message) { relayed = message.GetPendingBytes(); });
        PossibleParentList parents;
        connect(f->server.get(), &Server::DNetPossibleParents, this, [&](PossibleParentList& list) { parents = list; });
        Handle(SM_DNET_MESSAGE, Body(uint8_t(3), QString("x")));
        Handle(SM_POSSIBLE_PARENTS, Body(2u, QString("p1"), 1u, int32_t(11), QString("p2"), 2u, int32_t(22)));
        QCOMPARE(relayed, Bytes(uint8_t(3), QString("x")));
        QCOMPARE(parents.size(), size_t(2));
        QCOMPARE(parents.front().first, QString("p1"));
        QCOMPARE(parents.back().second.port, 22);
    }

    // The two port bytes are always there; they count only for obfuscation type 1.
    void peerAddress_data()
    {
        QTest::addColumn<int>("obfuscationType");
        QTest::addColumn<int>("storedPort");
        QTest::newRow("type 0") << 0 << 0;
        QTest::newRow("type 1") << 1 << 40000;
    }

    void peerAddress()
    {
        QFETCH(int, obfuscationType);
        f->server->GetUserAddress("ann");
        Handle(SM_GET_PEER_ADDRESS,
               Body(QString("ann"), 0x7f000001u, int32_t(2235), int32_t(obfuscationType), uint16_t(40000)));
        ItemPtr ann = User("ann");
        QCOMPARE(ann.GetItem("user_address").AsUInt(), 0x7f000001u);
        QCOMPARE(Number(ann, "user_port"), 2235);
        QTEST(Number(ann, "user_obfuscated_port"), "storedPort");
        QVERIFY(!ann.IsConnected("user_address_request"));
    }

    void addUserReportsPresence()
    {
        QSignalSpy response(f->server.get(), &Server::AddUserResponse);
        Handle(SM_ADD_USER, Body(QString("ann"), true, int32_t(2), Stats(10, 20), QString("NZ")));
        ItemPtr ann = User("ann");
        QVERIFY(ann.IsConnected("is_online"));
        QCOMPARE(Text(ann, "country_code"), QString("NZ"));
        QVERIFY(!Text(ann, "last_online_status_change").isEmpty());
        QVERIFY(!ann.IsConnected("average_download_speed"));
        Handle(SM_ADD_USER, Body(QString("ann"), true, int32_t(0), Stats(10, 20)));
        QVERIFY(!ann.IsConnected("is_online"));
        Handle(SM_ADD_USER, Body(QString("ghost"), false));
        QCOMPARE(response.count(), 3);
        QCOMPARE(response.at(0), (QVariantList{"ann", true}));
        QCOMPARE(response.at(2), (QVariantList{"ghost", false}));
        QVERIFY(!d.GetType("user")->HasItem("ghost").IsConnected("is_online"));
    }

    void userStatusOnlineAwayOfflineAndPrivileged()
    {
        ItemPtr ann = User("ann");
        Handle(SM_GET_USER_STATUS, Body(QString("ann"), int32_t(1), true));
        QVERIFY(Flagged(ann, {"is_online", "is_privileged"}));
        QCOMPARE(ann.GetItem("is_away"), d.GetType("is_away")->GetGlobalNullItem());
        QVERIFY(!Text(ann, "last_online_status_change").isEmpty());
        Handle(SM_GET_USER_STATUS, Body(QString("ann"), int32_t(2), false));
        QVERIFY(Flagged(ann, {"is_online", "is_privileged"}));
        QVERIFY(!ann.IsConnected("is_away"));
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
        QCOMPARE(chat.at(0), (QVariantList{"lobby", "stranger", "hello"}));
        QVERIFY(!Known("user", "stranger"));
    }

    void joinRoomReplacesUsersAndOperators()
    {
        ItemPtr room = Room("club");
        User("old").Connect(room);
        room.NewItem("room_operators") += User("formerop");
        Handle(SM_JOIN_ROOM,
               Body(QString("club"), std::vector<QString>{"ann", "bob"}, std::vector<int32_t>{2, 1}, 2u, Stats(100, 5),
                    Stats(200, 6), std::vector<int32_t>{0, 0}, std::vector<QString>{"NZ", "DE"}, QString("ann"),
                    std::vector<QString>{"bob"}));
        QVERIFY(room.IsConnected("in_room"));
        QCOMPARE(Names(room.GetItems("user")), (QStringList{"ann", "bob"}));
        QCOMPARE(room.GetItem("room_owner").GetItem("user"), User("ann"));
        QCOMPARE(Names(room.GetItem("room_operators").GetItems("user")), QStringList{"bob"});
        QCOMPARE(Number(User("bob"), "average_download_speed"), 200);
        QCOMPARE(Number(User("bob"), "shared_file_count"), 6);
        QCOMPARE(Text(User("ann"), "country_code"), QString("NZ"));
    }

    void usersComeAndGo()
    {
        ItemPtr club = Room("club");
        Handle(SM_USER_JOINED_ROOM,
               Body(QString("club"), QString("ann"), int32_t(2), Stats(300, 7), int32_t(0), QString("FR")));
        QVERIFY(User("ann").IsConnected(club));
        QCOMPARE(Number(User("ann"), "average_download_speed"), 300);
        QCOMPARE(Text(User("ann"), "country_code"), QString("FR"));
        Handle(SM_USER_LEFT_ROOM, Body(QString("club"), QString("ann")));
        QVERIFY(!User("ann").IsConnected(club));

        // Leaving counts only for a room the client is in.
        User("ann").Connect(club);
        Handle(SM_LEAVE_ROOM, Body(QString("club")));
        QVERIFY(club.IsConnected("user"));
        club.NewItem("in_room");
        Handle(SM_LEAVE_ROOM, Body(QString("club")));
        QVERIFY(!club.IsConnected("in_room") && !club.IsConnected("user"));
    }

    void connectToPeerCreatesRequest()
    {
        Handle(SM_CONNECT_TO_PEER,
               Body(QString("ann"), QString("F"), 0x0a000001u, int32_t(2235), 77u, true, int32_t(0)));
        ItemPtr request = d.GetType("peer_connection_request")->GetItems().First();
        QCOMPARE(request.GetItem("peer_connection_request_id").AsUInt(), 77u);
        QCOMPARE(Text(request, "peer_connection_type"), QString("F"));
        QCOMPARE(request.GetItem("user"), User("ann"));
        QCOMPARE(User("ann").GetItem("user_address").AsUInt(), 0x0a000001u);
        QCOMPARE(Number(User("ann"), "user_obfuscated_port"), 0);
        QVERIFY(User("ann").IsConnected("is_privileged"));

        Handle(SM_CONNECT_TO_PEER,
               Body(QString("bob"), QString("P"), 1u, int32_t(2235), 78u, false, int32_t(1), int32_t(2236)));
        QCOMPARE(d.GetType("peer_connection_request")->ItemCount(), size_t(2));
        QCOMPARE(Number(User("bob"), "user_obfuscated_port"), 2236);
        QVERIFY(!User("bob").IsConnected("is_privileged"));
    }

    // Acknowledged even when ignored; "privileges" (and only in lower case)
    // asks for the own privileges.
    void privateMessages()
    {
        QSignalSpy chat(f->server.get(), &Server::PrivateChat);
        User("troll").NewItem("is_ignored");
        Handle(SM_MESSAGE_USER, Body(int32_t(5), int32_t(1000), QString("troll"), QString("spam"), false));
        Handle(SM_MESSAGE_USER, Body(int32_t(6), int32_t(2000), QString("ann"), QString("Privileges"), true));
        Handle(SM_MESSAGE_USER, Body(int32_t(7), int32_t(0), QString("ann"), QString("your privileges"), false));
        QCOMPARE(chat.count(), 2);
        QCOMPARE(chat.at(0).at(0).toString(), QString("ann"));
        QCOMPARE(chat.at(0).at(1).toString(), QString("Privileges"));
        QCOMPARE(chat.at(0).at(2).value<time_t>(), time_t(2000));
        QCOMPARE(chat.at(0).at(3).toBool(), true);
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_MESSAGE_ACKED), 5u));
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_MESSAGE_ACKED), 6u));
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_MESSAGE_ACKED), 7u));
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_GET_OWN_PRIVILEGES_STATUS)));
    }

    void userStatsAreStored()
    {
        QSignalSpy stats(f->server.get(), &Server::ReceivedUserStats);
        Handle(SM_GET_USER_STATS, Body(QString("ann"), Stats(512, 99)));
        QCOMPARE(stats.count(), 1);
        QCOMPARE(stats.at(0).at(1).value<UserStats>().fileCount, 99u);
        QCOMPARE(Number(User("ann"), "average_download_speed"), 512);
        QCOMPARE(Number(User("ann"), "shared_file_count"), 99);
    }

    void askedRoomListCreatesRooms()
    {
        QCOMPARE(GetSetting("accept_room_list"), QString("yes"));
        Handle(SM_ROOM_LIST,
               Body(std::vector<QString>{"lobby", "music"}, std::vector<int32_t>{10, 3}, std::vector<QString>{"mine"},
                    std::vector<int32_t>{1}, std::vector<QString>{"friends"}, std::vector<int32_t>{4},
                    std::vector<QString>{"friends"}));
        QCOMPARE(GetSetting("accept_room_list"), QString("no"));
        QCOMPARE(Number(Room("lobby"), "user_count"), 10);
        QCOMPARE(Number(Room("music"), "user_count"), 3);
        QVERIFY(Flagged(Room("mine"), {"is_owner", "is_private", "is_member"}));
        QVERIFY(!Room("friends").IsConnected("is_owner"));
        QVERIFY(Flagged(Room("friends"), {"is_private", "is_member", "is_operator"}));
        QCOMPARE(Number(Room("friends"), "user_count"), 4);
    }

    void unaskedRoomListOnlyRefreshesKnownPublicRooms()
    {
        ItemPtr lobby = Room("lobby");
        ItemPtr lost = Room("lost");
        lost += d.GetType("is_owner")->GetGlobalNullItem();
        lost += d.GetType("is_member")->GetGlobalNullItem();
        lost.NewItem("is_operator");
        SetSetting("accept_room_list", "no");
        Handle(SM_ROOM_LIST,
               Body(std::vector<QString>{"lobby", "brandnew"}, std::vector<int32_t>{7, 2}, std::vector<QString>{"mine"},
                    std::vector<int32_t>{1}, std::vector<QString>{}, std::vector<int32_t>{}, std::vector<QString>{}));
        QCOMPARE(Number(lobby, "user_count"), 7);
        QVERIFY(!Known("room", "brandnew"));
        QVERIFY(Room("mine").IsConnected("is_owner"));
        QVERIFY(!lost.IsConnected("is_owner") && !lost.IsConnected("is_member"));
        QVERIFY(lost.IsConnected("is_operator"));
    }

    void roomListWithHugeCountIsTakenAsEmpty()
    {
        Handle(SM_ROOM_LIST, Body(200000u));
        QCOMPARE(d.GetType("room")->ItemCount(), size_t(0));
    }

    void privilegedUsersAndOwnPrivileges()
    {
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

    void tickerSetTwiceLeavesOneWithHigherOrder()
    {
        Handle(SM_GET_ROOM_TICKER,
               Body(QString("club"), 2u, QString("ann"), QString("hello"), QString("bob"), QString("hey")));
        ItemPtr club = Room("club");
        QCOMPARE(club.GetItems("room_ticker").Size(), size_t(2));
        const long long firstOrder = d.GetItem(club, User("ann"), "room_ticker").GetItem("room_ticker_order").AsInt64();

        Handle(SM_ROOM_TICKER_USER_ADDED, Body(QString("club"), QString("ann"), QString("again")));
        QCOMPARE(club.GetItems("room_ticker").Size(), size_t(2));
        ItemPtr second = d.GetItem(club, User("ann"), "room_ticker");
        QCOMPARE(Text(second, "room_ticker_text"), QString("again"));
        QVERIFY(second.GetItem("room_ticker_order").AsInt64() > firstOrder);

        // The replaced tickers are gone, not only disconnected.
        Handle(SM_GET_ROOM_TICKER, Body(QString("club"), 1u, QString("bob"), QString("only")));
        QCOMPARE(club.GetItems("room_ticker").Size(), size_t(1));
        QCOMPARE(d.GetType("room_ticker")->ItemCount(), size_t(1));
    }

    void privateRoomMembersAndOperators_data()
    {
        QTest::addColumn<int>("listCode");
        QTest::addColumn<int>("addCode");
        QTest::addColumn<int>("removeCode");
        QTest::addColumn<QByteArray>("linkType");
        QTest::newRow("members") << int(SM_ROOM_MEMBERS) << int(SM_ADD_ROOM_MEMBER) << int(SM_REMOVE_ROOM_MEMBER)
                                 << QByteArray("room_members");
        QTest::newRow("operators") << int(SM_ROOM_OPERATORS) << int(SM_ADD_ROOM_OPERATOR)
                                   << int(SM_REMOVE_ROOM_OPERATOR) << QByteArray("room_operators");
    }

    void privateRoomMembersAndOperators()
    {
        QFETCH(int, listCode);
        QFETCH(int, addCode);
        QFETCH(int, removeCode);
        QFETCH(QByteArray, linkType);
        auto users = [&] { return Names(Room("club").GetItem(linkType.constData()).GetItems("user")); };
        Handle(listCode, Body(QString("club"), std::vector<QString>{"ann", "bob"}));
        QCOMPARE(users(), (QStringList{"ann", "bob"}));
        Handle(addCode, Body(QString("club"), QString("cat")));
        Handle(removeCode, Body(QString("club"), QString("ann")));
        QCOMPARE(users(), (QStringList{"bob", "cat"}));
        Handle(listCode, Body(QString("club"), std::vector<QString>{"dan"}));
        QCOMPARE(users(), QStringList{"dan"});

        // Removals create no unknown room or user.
        Handle(removeCode, Body(QString("nowhere"), QString("dan")));
        QVERIFY(!Known("room", "nowhere"));
        Handle(removeCode, Body(QString("club"), QString("nobody")));
        QVERIFY(!Known("user", "nobody"));
        Handle(SM_USER_LEFT_ROOM, Body(QString("elsewhere"), QString("stranger")));
        QVERIFY(!Known("room", "elsewhere") && !Known("user", "stranger"));
    }

    void madeMemberJoinsAtOnce()
    {
        Handle(SM_ADD_ROOM_MEMBERSHIP, Body(QString("secret")));
        ItemPtr room = Room("secret");
        QVERIFY(Flagged(room, {"is_private", "is_member"}));
        QCOMPARE(f->NextSent(), Bytes(uint32_t(SM_JOIN_ROOM), QString("secret"), 0u));

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
        QCOMPARE(enabled.at(1).at(0).toBool(), false);
    }

    void searchCorrelationsReplaceEarlierOnes()
    {
        QSignalSpy correlations(f->server.get(), &Server::SearchCorrelations);
        Handle(SM_SEARCH_CORRELATIONS,
               Body(QString("floyd"), 2u, QString("pink"), int32_t(9), QString("wall"), int32_t(5)));
        ItemPtr text = d.GetType("search_request_text")->GetItem("floyd");
        QCOMPARE(text.GetItems("search_correlation").Size(), size_t(2));
        Handle(SM_SEARCH_CORRELATIONS, Body(QString("floyd"), 1u, QString("moon"), int32_t(3)));
        ItemSet now = text.GetItems("search_correlation");
        QCOMPARE(now.Size(), size_t(1));
        QCOMPARE(Text(now.First(), "correlation_text"), QString("moon"));
        QCOMPARE(Number(now.First(), "correlation_rank"), 3);
        QCOMPARE(correlations.count(), 2);
        QCOMPARE(correlations.at(0).at(0).toString(), QString("floyd"));
    }

    void shortAndUnknownMessagesAreHarmless()
    {
        for (int code : {int(SM_RELOGGED), int(SM_SET_PARENT_INACTIVITY_BEFORE_DISCONNECT), 4, 9999})
            Handle(code, Body(1u));
        QSignalSpy chat(f->server.get(), &Server::PrivateChat);
        Handle(SM_MESSAGE_USER, Body(int32_t(1)));
        QCOMPARE(chat.count(), 1);
        QVERIFY(f->server->IsConnected());
    }
};

QTEST_GUILESS_MAIN(TestHandlers)
#include "tst_handlers.moc"
