#include "OperationLayouts.h"
#include "SessionFixture.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "server/ServerMessageCode.h"
#include "store/Data.h"

#include <QSignalSpy>
#include <QtTest>

#include <set>
#include <string>

namespace {
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
    case SM_JOIN_ROOM:
        return Body(QString("club"), std::vector<QString>{"ann", "bob"}, std::vector<int32_t>{2, 1}, 2u, Stats(100, 5),
                    Stats(200, 6), std::vector<int32_t>{0, 0}, std::vector<QString>{"NZ", "DE"}, QString("ann"),
                    std::vector<QString>{"bob"});
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
        return Body(QString("peer"), QString("F"), uint32_t(0x0a000001), int32_t(2235), uint32_t(77), true, int32_t(1),
                    int32_t(2236));
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
    for (const auto& entry : types)
        names.insert(entry.first);
    return names;
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

    static bool LoggedInServerArea(const QSignalSpy& lines, const QString& text)
    {
        for (const QList<QVariant>& line : lines)
            if (line.at(0).toString() == "server" && line.at(1).toString().contains(text))
                return true;
        return false;
    }

    // The messages (code and body) sent from now until a heartbeat marker.
    std::vector<QByteArray> SentUntilHeartbeat()
    {
        f->server->EveryFiveMinutes();
        std::vector<QByteArray> sent;
        for (int n = 0; n < 200; ++n) {
            uint32_t code = 0;
            MemStream body;
            if (!f->far->ReadMessage(code, body) || code == SM_HEARTBEAT)
                break;
            sent.push_back(Bytes(code) + body.GetPendingBytes());
        }
        return sent;
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
        for (int code : ServerMessageCodes())
            Handle(code, ValidBody(code));

        QVERIFY(f->server->IsConnected());
        QCOMPARE(TypeNames(), declared);
        // Only the three messages for the absent parts are dropped, whole.
        QVERIFY(!d.GetType("user")->HasItem("peer"));
        QVERIFY(LoggedInServerArea(lines, "SM_GET_PEER_ADDRESS dropped"));
        QVERIFY(LoggedInServerArea(lines, "SM_CONNECT_TO_PEER dropped"));
        QVERIFY(LoggedInServerArea(lines, "SM_SEARCH_CORRELATIONS dropped"));
        QVERIFY(d.GetType("room")->HasItem("club").IsConnected("room_ticker"));
        QVERIFY(d.GetType("user")->HasItem("ann").IsConnected("is_online"));
        const std::vector<QByteArray> sent = SentUntilHeartbeat();
        QVERIFY(std::find(sent.begin(), sent.end(), Bytes(uint32_t(SM_MESSAGE_ACKED), 5u)) != sent.end());
        d.RemoveDisconnectedItems();
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
        QCOMPARE(SentUntilHeartbeat(),
                 (std::vector<QByteArray>{
                     Bytes(uint32_t(SM_FILE_SEARCH), 1u, QString("pink")),
                     Bytes(uint32_t(SM_LOW_PRIORITY_FILE_SEARCH), 2u, QString("floyd")),
                     Bytes(uint32_t(SM_SEARCH_ROOM), QString("lobby"), 3u, QString("moon")),
                     Bytes(uint32_t(SM_SEARCH_USER_FILES), QString("ann"), 4u, QString("wall")),
                 }));
        QVERIFY(LoggedInServerArea(lines, "Record of search 1 dropped"));
        QVERIFY(LoggedInServerArea(lines, "Record of search 4 dropped"));
        QCOMPARE(TypeNames(), declared);
    }

    // Requests whose answer nothing would keep are not sent; the rest go out as usual.
    void everyOperation()
    {
        QSignalSpy lines(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged);
        std::vector<QByteArray> expected;
        for (const OperationLayout& layout : OperationLayouts()) {
            layout.operation(*f->server);
            if (!layout.needsPeerNetwork)
                expected.push_back(layout.bytes);
        }
        f->server->RenewPortMapping();
        f->server->DataLoaded();
        f->server->AttemptReconnect();

        QByteArray sent;
        for (const QByteArray& message : SentUntilHeartbeat())
            sent += message;
        QByteArray wanted;
        for (const QByteArray& message : expected)
            wanted += message;
        QCOMPARE(sent, wanted);
        QVERIFY(LoggedInServerArea(lines, "Address request for ann dropped"));
        QVERIFY(LoggedInServerArea(lines, "Related terms request for \"abc\" dropped"));
        QCOMPARE(d.GetType("user_address_request")->ItemCount(), size_t(0));
        QCOMPARE(TypeNames(), declared);

        f->server->Disconnect();
        QVERIFY(!f->server->IsConnected());
        QVERIFY(f->far->WaitForClientClose());
        QCOMPARE(TypeNames(), declared);
    }
};

QTEST_GUILESS_MAIN(TestProgramSchema)
#include "tst_programschema.moc"
