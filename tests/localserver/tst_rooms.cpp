#include "LocalServer.h"
#include "TestClient.h"

#include <QtTest>

using localserver::LocalServer;
using localserver::ServerOptions;

namespace {

struct RoomJoin
{
    QString room;
    std::vector<QString> users;
    std::vector<qint32> statuses;
    QString owner;
    std::vector<QString> operators;
};

// Reads a join reply; the owner and operators only when present.
bool ReadJoin(MemStream message, RoomJoin& join)
{
    quint32 count = 0;
    if (!message.Read(join.room) || !message.Read(join.users) || !message.Read(join.statuses)
        || !message.Read(count))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        quint32 speed = 0, files = 0, folders = 0;
        quint64 uploads = 0;
        if (!message.Read(speed) || !message.Read(uploads) || !message.Read(files) || !message.Read(folders))
            return false;
    }
    std::vector<qint32> freeSlots;
    std::vector<QString> countries;
    if (!message.Read(freeSlots) || !message.Read(countries) || freeSlots.size() != count || countries.size() != count)
        return false;
    if (message.GetPendingReadLength() > 0)
        return message.Read(join.owner) && message.Read(join.operators);
    return true;
}

std::pair<QString, QString> ReadRoomAndUser(MemStream message)
{
    std::pair<QString, QString> fields;
    message.Read(fields.first);
    message.Read(fields.second);
    return fields;
}

struct RoomList
{
    std::vector<QString> publicRooms, owned, member, operated;
    std::vector<qint32> publicCounts, ownedCounts, memberCounts;
};

bool ReadRoomList(MemStream message, RoomList& list)
{
    return message.Read(list.publicRooms) && message.Read(list.publicCounts) && message.Read(list.owned)
           && message.Read(list.ownedCounts) && message.Read(list.member) && message.Read(list.memberCounts)
           && message.Read(list.operated);
}

}

class TestRooms : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalServer> m_server;
    std::unique_ptr<TestClient> m_alice, m_bob, m_carol;

    bool Start(std::unique_ptr<TestClient>& client, const QString& name)
    {
        client = std::make_unique<TestClient>();
        if (!client->Connect(m_server->ServerPort()) || !client->LogInAndSettle(name))
            return false;
        client->Forget();  // what follows the login
        return true;
    }

private slots:
    void init()
    {
        ServerOptions options;
        options.quiet = true;
        m_server = std::make_unique<LocalServer>(options);
        QVERIFY(m_server->Listen());
        QVERIFY(Start(m_alice, "alice"));
        QVERIFY(Start(m_bob, "bob"));
        QVERIFY(Start(m_carol, "carol"));
    }

    void cleanup()
    {
        m_alice.reset();
        m_bob.reset();
        m_carol.reset();
        m_server.reset();
    }

    void ThreeUsersJoinChatAndLeave()
    {
        m_alice->Send(Message(14, QString("lounge"), uint32_t(0)));
        RoomJoin join;
        QVERIFY(ReadJoin(m_alice->WaitFor(14), join));
        QCOMPARE(join.users, std::vector<QString>{"alice"});
        QVERIFY(join.owner.isEmpty());
        QVERIFY(m_alice->WaitFor(113).GetLength() > 0);

        m_bob->Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(ReadJoin(m_bob->WaitFor(14), join));
        QCOMPARE(join.users, (std::vector<QString>{"alice", "bob"}));
        QCOMPARE(join.statuses, (std::vector<qint32>{2, 2}));
        QCOMPARE(ReadRoomAndUser(m_alice->WaitFor(16)), std::make_pair(QString("lounge"), QString("bob")));

        m_carol->Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(ReadJoin(m_carol->WaitFor(14), join));
        QCOMPARE(join.users.size(), size_t(3));
        QCOMPARE(ReadRoomAndUser(m_alice->WaitFor(16)).second, QStringLiteral("carol"));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(16)).second, QStringLiteral("carol"));

        m_bob->Send(Message(13, QString("lounge"), QString("hello all")));
        for (TestClient* client : {m_alice.get(), m_bob.get(), m_carol.get()}) {
            MemStream chat = client->WaitFor(13);
            QString room, user, text;
            QVERIFY(chat.Read(room) && chat.Read(user) && chat.Read(text));
            QCOMPARE(user, QStringLiteral("bob"));
            QCOMPARE(text, QStringLiteral("hello all"));
        }

        m_carol->Send(Message(15, QString("lounge")));
        QCOMPARE(ReadRoomAndUser(m_carol->WaitFor(15)).first, QStringLiteral("lounge"));
        QCOMPARE(ReadRoomAndUser(m_alice->WaitFor(17)).second, QStringLiteral("carol"));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(17)).second, QStringLiteral("carol"));

        m_bob->Socket().disconnectFromHost();
        QCOMPARE(ReadRoomAndUser(m_alice->WaitFor(17)).second, QStringLiteral("bob"));

        m_carol->Send(Message(13, QString("lounge"), QString("not in it")));
        QVERIFY(m_carol->Sync());
        QVERIFY(m_alice->Sync());
        QVERIFY(!m_alice->HasReceived(13));
    }

    void PublicRoomsAreListedWhileInUse()
    {
        m_alice->Send(Message(14, QString("lounge"), uint32_t(0)));
        m_bob->Send(Message(14, QString("lounge"), uint32_t(0)));
        QVERIFY(m_alice->Sync());
        QVERIFY(m_bob->Sync());
        m_carol->Send(Message(64));
        RoomList list;
        QVERIFY(ReadRoomList(m_carol->WaitFor(64), list));
        QCOMPARE(list.publicRooms, std::vector<QString>{"lounge"});
        QCOMPARE(list.publicCounts, std::vector<qint32>{2});

        m_alice->Send(Message(15, QString("lounge")));
        m_bob->Send(Message(15, QString("lounge")));
        QVERIFY(m_alice->Sync());
        QVERIFY(m_bob->Sync());
        m_carol->Send(Message(64));
        QVERIFY(ReadRoomList(m_carol->WaitFor(64), list));
        QVERIFY(list.publicRooms.empty());
    }

    void InvalidRoomNamesAreNotCreated()
    {
        m_alice->Send(Message(14, QString(" padded"), uint32_t(0)));
        m_alice->Send(Message(14, QString(), uint32_t(0)));
        QVERIFY(m_alice->Sync());
        QVERIFY(!m_alice->HasReceived(14));
    }

    void TickersAreKeptPerUserAndSentOnJoin()
    {
        m_alice->Send(Message(14, QString("lounge"), uint32_t(0)));
        m_alice->Send(Message(116, QString("lounge"), QString("first")));
        m_alice->Send(Message(116, QString("lounge"), QString("second")));
        MemStream added = m_alice->WaitFor(114);
        QString room, user, text;
        QVERIFY(added.Read(room) && added.Read(user) && added.Read(text));
        QCOMPARE(text, QStringLiteral("first"));
        QVERIFY(m_alice->Sync());

        m_bob->Send(Message(14, QString("lounge"), uint32_t(0)));
        MemStream tickers = m_bob->WaitFor(113);
        quint32 count = 0;
        QVERIFY(tickers.Read(room) && tickers.Read(count));
        QCOMPARE(count, 1u);
        QVERIFY(tickers.Read(user) && tickers.Read(text));
        QCOMPARE(user, QStringLiteral("alice"));
        QCOMPARE(text, QStringLiteral("second"));
    }

    void PrivateRoomsAdmitOnlyTheirMembers()
    {
        m_alice->Send(Message(14, QString("den"), uint32_t(1)));
        RoomJoin join;
        QVERIFY(ReadJoin(m_alice->WaitFor(14), join));
        QCOMPARE(join.owner, QStringLiteral("alice"));
        RoomList list;
        QVERIFY(ReadRoomList(m_alice->WaitFor(64), list));
        QCOMPARE(list.owned, std::vector<QString>{"den"});

        m_carol->Send(Message(14, QString("den"), uint32_t(0)));
        QVERIFY(m_carol->Sync());
        QVERIFY(!m_carol->HasReceived(14));

        m_alice->Send(Message(134, QString("den"), QString("bob")));
        QCOMPARE(ReadRoomAndUser(m_alice->WaitFor(134)).second, QStringLiteral("bob"));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(139)).first, QStringLiteral("den"));
        m_bob->Send(Message(14, QString("den"), uint32_t(0)));
        QVERIFY(ReadJoin(m_bob->WaitFor(14), join));
        QCOMPARE(join.users, (std::vector<QString>{"alice", "bob"}));
        MemStream members = m_bob->WaitFor(133);
        QString room;
        std::vector<QString> names;
        QVERIFY(members.Read(room) && members.Read(names));
        QCOMPARE(names, std::vector<QString>{"bob"});

        m_alice->Send(Message(143, QString("den"), QString("bob")));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(145)).first, QStringLiteral("den"));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(143)).second, QStringLiteral("bob"));
        m_bob->Send(Message(64));
        QVERIFY(ReadRoomList(m_bob->WaitFor(64), list));
        QCOMPARE(list.member, std::vector<QString>{"den"});
        QCOMPARE(list.operated, std::vector<QString>{"den"});

        // An operator may add members, but only the owner may make operators.
        m_bob->Send(Message(134, QString("den"), QString("carol")));
        QCOMPARE(ReadRoomAndUser(m_carol->WaitFor(139)).first, QStringLiteral("den"));
        m_bob->Send(Message(143, QString("den"), QString("carol")));
        QVERIFY(m_bob->Sync());
        QVERIFY(m_carol->Sync());
        QVERIFY(!m_carol->HasReceived(145));

        m_alice->Send(Message(135, QString("den"), QString("bob")));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(146)).first, QStringLiteral("den"));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(15)).first, QStringLiteral("den"));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(140)).first, QStringLiteral("den"));
        QCOMPARE(ReadRoomAndUser(m_alice->WaitFor(17)).second, QStringLiteral("bob"));
        m_bob->Send(Message(14, QString("den"), uint32_t(0)));
        QVERIFY(m_bob->Sync());
        QVERIFY(!m_bob->HasReceived(14));
    }

    void GivingUpAPrivateRoomEndsIt()
    {
        m_alice->Send(Message(14, QString("den"), uint32_t(1)));
        m_alice->Send(Message(134, QString("den"), QString("bob")));
        QVERIFY(m_bob->WaitFor(139).GetLength() > 0);
        m_bob->Send(Message(14, QString("den"), uint32_t(0)));
        QVERIFY(m_bob->WaitFor(14).GetLength() > 0);

        m_bob->Send(Message(137, QString("den")));  // not the owner
        QVERIFY(m_bob->Sync());
        QVERIFY(!m_bob->HasReceived(140));

        m_alice->Send(Message(137, QString("den")));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(15)).first, QStringLiteral("den"));
        QCOMPARE(ReadRoomAndUser(m_bob->WaitFor(140)).first, QStringLiteral("den"));
        QCOMPARE(ReadRoomAndUser(m_alice->WaitFor(140)).first, QStringLiteral("den"));

        // The name is free again, for a public room.
        m_carol->Send(Message(14, QString("den"), uint32_t(0)));
        RoomJoin join;
        QVERIFY(ReadJoin(m_carol->WaitFor(14), join));
        QVERIFY(join.owner.isEmpty());
    }

    void PrivateRoomAddCanBeRefused()
    {
        m_bob->Send(Message(141, false));
        bool enabled = true;
        QVERIFY(m_bob->WaitFor(141).Read(enabled));
        QVERIFY(!enabled);
        m_alice->Send(Message(14, QString("den"), uint32_t(1)));
        m_alice->Send(Message(134, QString("den"), QString("bob")));
        QVERIFY(m_alice->Sync());
        QVERIFY(m_bob->Sync());
        QVERIFY(!m_bob->HasReceived(139));
    }
};

QTEST_GUILESS_MAIN(TestRooms)
#include "tst_rooms.moc"
