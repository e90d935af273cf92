#include "SessionFixture.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <set>
#include <string>

namespace
{
template <class... Fields>
MemStream Body(Fields const&... fields)
{
    MemStream body;
    (body.Write(fields), ...);
    return body;
}

UserStats Stats(uint32_t speed, uint32_t files)
{
    UserStats stats;
    stats.averageSpeed = speed;
    stats.fileCount = files;
    return stats;
}

std::vector<int> CatalogueCodes()
{
    std::vector<int> codes;
    for (int code = 0; code <= 1002; ++code)
        if (!ServerMessageCodeName(code).isEmpty())
            codes.push_back(code);
    return codes;
}

// A well-formed body for every code the session handles; the user "peer"
// appears only in messages whose records belong to the peer network.
MemStream ValidBody(int code)
{
    switch (code) {
    case SM_LOGIN: return Body(true, QString("welcome"), uint32_t(0), QString("digest"), false);
    case SM_GET_PEER_ADDRESS:
        return Body(QString("peer"), uint32_t(0x7f000001), int32_t(2235), int32_t(1), uint16_t(40000));
    case SM_ADD_USER: return Body(QString("ann"), true, int32_t(2), Stats(10, 20), QString("NZ"));
    case SM_GET_USER_STATUS: return Body(QString("ann"), int32_t(1), true);
    case SM_SAY_CHATROOM: return Body(QString("lobby"), QString("bob"), QString("hi"));
    case SM_JOIN_ROOM: {
        MemStream body = Body(QString("club"), std::vector<QString>{"ann", "bob"}, std::vector<int32_t>{2, 1});
        body.Write(uint32_t(2));
        body.Write(Stats(100, 5));
        body.Write(Stats(200, 6));
        body.Write(std::vector<int32_t>{0, 0});
        body.Write(std::vector<QString>{"NZ", "DE"});
        body.Write(QString("ann"));
        body.Write(std::vector<QString>{"bob"});
        return body;
    }
    case SM_LEAVE_ROOM:
    case SM_ADD_ROOM_MEMBERSHIP:
    case SM_REMOVE_ROOM_MEMBERSHIP:
    case SM_ADD_ROOM_OPERATORSHIP:
    case SM_REMOVE_ROOM_OPERATORSHIP: return Body(QString("club"));
    case SM_USER_JOINED_ROOM:
        return Body(QString("club"), QString("cat"), int32_t(2), Stats(300, 7), int32_t(0), QString("FR"));
    case SM_USER_LEFT_ROOM:
    case SM_ADD_ROOM_MEMBER:
    case SM_REMOVE_ROOM_MEMBER:
    case SM_ADD_ROOM_OPERATOR:
    case SM_REMOVE_ROOM_OPERATOR: return Body(QString("club"), QString("cat"));
    case SM_CONNECT_TO_PEER:
        return Body(QString("peer"), QString("F"), uint32_t(0x0a000001), int32_t(2235), uint32_t(77), true,
                    int32_t(1), int32_t(2236));
    case SM_MESSAGE_USER: return Body(int32_t(5), uint32_t(1700000000), QString("bob"), QString("hello"), false);
    case SM_FILE_SEARCH: return Body(QString("bob"), uint32_t(9), QString("pink"));
    case SM_GET_USER_STATS: return Body(QString("bob"), Stats(50, 60));
    case SM_ROOM_LIST:
        return Body(std::vector<QString>{"lobby"}, std::vector<int32_t>{3}, std::vector<QString>{"mine"},
                    std::vector<int32_t>{1}, std::vector<QString>{"club"}, std::vector<int32_t>{2},
                    std::vector<QString>{"club"});
    case SM_ADMIN_MESSAGE: return Body(QString("notice"));
    case SM_PRIVILEGED_LIST: return Body(std::vector<QString>{"ann"});
    case SM_SET_PARENT_MIN_SPEED:
    case SM_SET_PARENT_SPEED_CONNECTION_RATIO:
    case SM_GET_OWN_PRIVILEGES_STATUS:
    case SM_DNET_DELIVERY_REPORT: return Body(int32_t(42));
    case SM_DNET_MESSAGE: return Body(uint8_t(3), QString("lost"));
    case SM_POSSIBLE_PARENTS: return Body(uint32_t(1), QString("dad"), uint32_t(0x7f000001), int32_t(2235));
    case SM_WISHLIST_WAIT:
    case SE_CANT_CONNECT_TO_PEER: return Body(uint32_t(77));
    case SM_GET_ROOM_TICKER: return Body(QString("club"), uint32_t(1), QString("ann"), QString("tick"));
    case SM_ROOM_TICKER_USER_ADDED: return Body(QString("club"), QString("bob"), QString("tock"));
    case SM_ROOM_MEMBERS: return Body(QString("club"), std::vector<QString>{"ann", "bob"});
    case SM_ENABLE_PRIVATE_ROOM_ADD: return Body(true);
    case SM_ROOM_OPERATORS: return Body(QString("club"), std::vector<QString>{"bob"});
    case SM_SEARCH_CORRELATIONS: return Body(QString("pink"), uint32_t(1), QString("floyd"), int32_t(5));
    default: return MemStream();
    }
}

std::set<std::string> TypeNames()
{
    std::map<std::string, Type*> types;
    d.GetTypes(types);
    std::set<std::string> names;
    for (auto const& entry : types)
        names.insert(entry.first);
    return names;
}

// Every connection is mirrored, joins related types and respects a "one" end.
bool GraphIsConsistent()
{
    std::map<std::string, Type*> types;
    d.GetTypes(types);
    for (auto const& [name, type] : types) {
        for (ItemPtr itemPtr : type->GetItems()) {
            Item* item = itemPtr.Get();
            if (item->GetType() != type)
                return false;
            for (auto const& entry : item->Connections()) {
                RelationInfo const* relation = type->FindRelation(entry.GetType());
                if (!relation || (relation->farPerThis == One && entry.Set().Size() > 1))
                    return false;
                for (ItemPtr partner : entry.Set()) {
                    ItemSet const* back = partner.Get()->ConnectedSet(type);
                    if (partner.Get()->GetType() != entry.GetType() || !back || !back->Contains(item))
                        return false;
                }
            }
        }
    }
    return true;
}
} // namespace

// The session in a graph declared exactly as the program declares it today,
// without the peer network and the search view: whatever the server sends and
// whatever the user asks for, nothing may throw, and what has no reader is
// dropped with a diagnostics line.
class TestProgramSchema : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SessionFixture> f;
    std::set<std::string> declared;

    void Handle(int code, MemStream body) { f->server->HandleMessage(code, body); }

    static bool LoggedInServerArea(QSignalSpy const& lines, QString const& text)
    {
        for (QList<QVariant> const& line : lines)
            if (line.at(0).toString() == "server" && line.at(1).toString().contains(text))
                return true;
        return false;
    }

    // The codes of the messages sent from now until a heartbeat marker.
    std::vector<uint32_t> SentUntilHeartbeat()
    {
        f->server->EveryFiveMinutes();
        std::vector<uint32_t> codes;
        for (int n = 0; n < 200; ++n) {
            uint32_t code = 0;
            MemStream body;
            if (!f->far->ReadMessage(code, body) || code == SM_HEARTBEAT)
                break;
            codes.push_back(code);
        }
        return codes;
    }

    static bool Contains(std::vector<uint32_t> const& codes, uint32_t code)
    {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    }

private slots:
    void init()
    {
        f = std::make_unique<SessionFixture>(SessionGraph::Declarations::ProgramAsBuilt);
        QVERIFY(f->LogIn());
        SetSetting("show_diagnostics", "yes");
        SentUntilHeartbeat();
        declared = TypeNames();
        QVERIFY(!d.HasType("peer_connection_request"));
        QVERIFY(!d.HasType("search_request"));
    }
    void cleanup() { f.reset(); }

    void everyCodeWithAValidBody()
    {
        QSignalSpy lines(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        for (int code : CatalogueCodes())
            Handle(code, ValidBody(code));

        QVERIFY(f->server->IsConnected());
        QCOMPARE(TypeNames(), declared);
        QVERIFY(GraphIsConsistent());
        // Only the three messages for the absent parts are dropped, whole.
        QVERIFY(!d.GetType("user")->HasItem("peer"));
        QVERIFY(LoggedInServerArea(lines, "SM_GET_PEER_ADDRESS dropped"));
        QVERIFY(LoggedInServerArea(lines, "SM_CONNECT_TO_PEER dropped"));
        QVERIFY(LoggedInServerArea(lines, "SM_SEARCH_CORRELATIONS dropped"));
        ItemPtr club = d.GetType("room")->HasItem("club");
        QVERIFY(club.IsConnected("room_ticker"));
        QVERIFY(d.GetType("user")->HasItem("ann").IsConnected("is_online"));
        const std::vector<uint32_t> sent = SentUntilHeartbeat();
        QVERIFY(Contains(sent, SM_MESSAGE_ACKED));
        d.RemoveDisconnectedItems();
        QVERIFY(GraphIsConsistent());
    }

    void everyCodeWithRandomBodies()
    {
        QRandomGenerator random(20240611);
        for (int code : CatalogueCodes()) {
            for (int round = 0; round < 20; ++round) {
                QByteArray bytes(int(random.bounded(48)), Qt::Uninitialized);
                for (char& byte : bytes)
                    byte = char(random.bounded(256));
                // Half the rounds start from a valid body, so that the
                // handlers get past their first fields.
                QByteArray body = round % 2 ? ValidBody(code).GetPendingBytes() + bytes : bytes;
                body.truncate(int(random.bounded(body.size() + 1)));
                MemStream message(body);
                f->server->HandleMessage(code, message);
            }
        }
        QCOMPARE(TypeNames(), declared);
        QVERIFY(GraphIsConsistent());
        d.RemoveDisconnectedItems();
        QVERIFY(GraphIsConsistent());
    }

    void searchesGoOutUnrecorded()
    {
        QSignalSpy lines(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        QSignalSpy requested(f->server.get(), &Server::SearchRequested);
        ItemPtr friendOnline = d.GetType("user")->GetItem("ann");
        friendOnline.NewItem("in_user_list");
        friendOnline.NewItem("is_online");

        QCOMPARE(f->server->FileSearch("pink", false), 1u);
        QCOMPARE(f->server->FileSearch("floyd", true), 2u);
        QCOMPARE(f->server->SearchRoom("lobby", "moon"), 3u);
        QCOMPARE(f->server->SearchUserList("wall"), 4u);

        QCOMPARE(requested.count(), 4);
        const std::vector<uint32_t> sent = SentUntilHeartbeat();
        QCOMPARE(sent, (std::vector<uint32_t>{SM_FILE_SEARCH, SM_LOW_PRIORITY_FILE_SEARCH, SM_SEARCH_ROOM,
                                              SM_SEARCH_USER_FILES}));
        QVERIFY(LoggedInServerArea(lines, "Record of search 1 dropped"));
        QVERIFY(LoggedInServerArea(lines, "Record of search 4 dropped"));
        QCOMPARE(TypeNames(), declared);
    }

    void requestsWhoseAnswerHasNoReaderAreNotSent()
    {
        QSignalSpy lines(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        f->server->GetUserAddress("ann");
        f->server->GetSearchCorrelations("pink");
        QVERIFY(SentUntilHeartbeat().empty());
        QVERIFY(!d.GetType("user")->HasItem("ann"));
        QCOMPARE(d.GetType("user_address_request")->ItemCount(), size_t(0));
        QVERIFY(LoggedInServerArea(lines, "Address request for ann dropped"));
        QVERIFY(LoggedInServerArea(lines, "Related terms request for \"pink\" dropped"));
    }

    void everyOtherOperation()
    {
        Server& server = *f->server;
        server.SetWaitPort(2235, 2236);
        server.SetAvailabilityStatus(false);
        server.SetAvailabilityStatus(true);
        server.SendFilesFolders(3, 40);
        server.SendUploadSpeed(1000);
        server.GetOwnPrivilegesStatus();
        server.GiftPrivileges("ann", 7);
        server.BannedUser("troll");
        server.AddUser("ann");
        server.TrackUser("bob");
        server.UntrackUser("bob");
        server.GetUserStatus("ann");
        server.GetUserStats("ann");
        server.SendPrivateChat("ann", "hi\nthere");
        server.SendRoomChat("lobby", "hello");
        server.EnterRoom("lobby", false);
        server.LeaveRoom("lobby");
        server.GetRoomList();
        server.SetRoomTicker("lobby", "tick");
        server.AddPrivateRoomMember("club", "ann");
        server.RemovePrivateRoomMember("club", "ann");
        server.GiveUpPrivateRoomMembership("club");
        server.GiveUpPrivateRoom("club");
        server.EnablePrivateRoomAdd(true);
        server.AddPrivateRoomOperator("club", "ann");
        server.RemovePrivateRoomOperator("club", "ann");
        QCOMPARE(server.SendIndirectConnectionRequest("ann", "P"), 1u);
        server.SendCantConnectToPeer(77, "ann");
        server.SendDNetHasParent(false);
        server.SendDNetCanParent(true);
        server.SendDNetLevel(0);
        server.SendDNetGroupLeader("ann");
        server.SendChildDepth(false);
        server.RenewPortMapping();
        server.DataLoaded();
        server.AttemptReconnect();

        const std::vector<uint32_t> sent = SentUntilHeartbeat();
        QCOMPARE(sent.size(), size_t(33));
        QVERIFY(Contains(sent, SM_CONNECT_TO_PEER));
        QVERIFY(Contains(sent, SE_CANT_CONNECT_TO_PEER));
        QCOMPARE(TypeNames(), declared);
        QVERIFY(GraphIsConsistent());

        server.Disconnect();
        QVERIFY(!server.IsConnected());
        QVERIFY(f->far->WaitForClientClose());
        QCOMPARE(TypeNames(), declared);
    }
};

QTEST_GUILESS_MAIN(TestProgramSchema)
#include "tst_programschema.moc"
