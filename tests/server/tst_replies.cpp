#include "server/ServerReplies.h"
#include "wire/MemStream.h"
#include "wire/OutputStream.h"

#include <QtTest>

// Reading the bodies the server sends, with the list rules.
class TestReplies : public QObject
{
    Q_OBJECT

private slots:
    void oversizedListCountIsTakenAsEmpty()
    {
        MemStream body;
        body.Write(uint32_t(200000));
        body.Write(QString("x"));
        UserListReply reply;
        QVERIFY(reply.Read(body));
        QVERIFY(reply.users.empty());
    }

    void listAtTheLimitIsRead()
    {
        MemStream body;
        body.Write(uint32_t(131072));
        for (int n = 0; n < 131072; ++n)
            body.Write(uint32_t(0));
        UserListReply reply;
        QVERIFY(reply.Read(body));
        QCOMPARE(reply.users.size(), size_t(131072));
    }

    void listReadStopsAtFirstUnreadableElement()
    {
        MemStream body;
        body.Write(uint32_t(3));
        body.Write(QString("ann"));
        body.Write(QString("bob"));
        body.Write(uint32_t(10)); // a string cut short
        UserListReply reply;
        QVERIFY(!reply.Read(body));
        QCOMPARE(reply.users, (std::vector<QString>{"ann", "bob"}));
    }

    void loginSuccessReadsPrivilegesFlag()
    {
        MemStream body;
        body.Write(true);
        body.Write(QString("hello"));
        body.Write(uint32_t(1));
        body.Write(QString("digest"));
        body.Write(true);
        LoginReply reply;
        QVERIFY(reply.Read(body));
        QVERIFY(reply.success);
        QVERIFY(reply.hasPrivileges);
    }

    void loginFailureReadsReason()
    {
        MemStream body;
        body.Write(false);
        body.Write(QString("INVALIDPASS"));
        LoginReply reply;
        QVERIFY(reply.Read(body));
        QVERIFY(!reply.success);
        QCOMPARE(reply.reason, QString("INVALIDPASS"));
    }

    void addUserReadsCountryOnlyWhenOnline()
    {
        MemStream online;
        online.Write(QString("ann"));
        online.Write(true);
        online.Write(int32_t(2));
        online.Write(UserStats{});
        online.Write(QString("NZ"));
        AddUserReply reply;
        QVERIFY(reply.Read(online));
        QCOMPARE(reply.countryCode, QString("NZ"));

        MemStream offline;
        offline.Write(QString("ann"));
        offline.Write(true);
        offline.Write(int32_t(0));
        offline.Write(UserStats{});
        AddUserReply offlineReply;
        QVERIFY(offlineReply.Read(offline));
        QCOMPARE(offline.GetPendingReadLength(), uint64_t(0));

        MemStream missing;
        missing.Write(QString("nobody"));
        missing.Write(false);
        AddUserReply missingReply;
        QVERIFY(missingReply.Read(missing));
        QVERIFY(!missingReply.exists);
    }

    void userStatsFieldOrder()
    {
        MemStream body;
        body.Write(uint32_t(1000));
        body.Write(uint64_t(1) << 40);
        body.Write(uint32_t(12));
        body.Write(uint32_t(3));
        UserStats stats;
        QVERIFY(stats.Read(body));
        QCOMPARE(stats.averageSpeed, 1000u);
        QCOMPARE(stats.transferCount, uint64_t(1) << 40);
        QCOMPARE(stats.fileCount, 12u);
        QCOMPARE(stats.folderCount, 3u);
    }

    void joinRoomWithAndWithoutOwner()
    {
        MemStream body;
        body.Write(QString("room"));
        body.Write(std::vector<QString>{"ann", "bob"});
        body.Write(std::vector<int32_t>{2, 1});
        body.Write(uint32_t(2));
        body.Write(UserStats{});
        body.Write(UserStats{});
        body.Write(std::vector<int32_t>{0, 0});
        body.Write(std::vector<QString>{"NZ", "DE"});
        const QByteArray publicRoom = body.GetPendingBytes();

        JoinRoomReply reply;
        QVERIFY(reply.Read(body));
        QVERIFY(!reply.hasOwner);
        QCOMPARE(reply.countryCodes, (std::vector<QString>{"NZ", "DE"}));

        MemStream privateBody(publicRoom);
        privateBody.Write(QString("ann"));
        privateBody.Write(std::vector<QString>{"bob"});
        JoinRoomReply privateReply;
        QVERIFY(privateReply.Read(privateBody));
        QVERIFY(privateReply.hasOwner);
        QCOMPARE(privateReply.owner, QString("ann"));
        QCOMPARE(privateReply.operators, (std::vector<QString>{"bob"}));
    }

    void connectToPeerReadsObfuscatedPortOnlyForType1()
    {
        MemStream body;
        body.Write(QString("ann"));
        body.Write(QString("P"));
        body.Write(uint32_t(0x7f000001));
        body.Write(int32_t(2235));
        body.Write(uint32_t(5));
        body.Write(false);
        body.Write(int32_t(1));
        body.Write(int32_t(2236));
        ConnectToPeerReply reply;
        QVERIFY(reply.Read(body));
        QCOMPARE(reply.obfuscatedPort, 2236);
        QCOMPARE(reply.token, 5u);
    }

    void shortBodyKeepsDefaultsOfUnreadFields()
    {
        MemStream body;
        body.Write(QString("ann"));
        body.Write(uint32_t(0x01020304));
        PeerAddressReply reply;
        QVERIFY(!reply.Read(body));
        QCOMPARE(reply.user, QString("ann"));
        QCOMPARE(reply.address, 0x01020304u);
        QCOMPARE(reply.port, 0);
    }

    void possibleParentsInArrivalOrder()
    {
        MemStream body;
        body.Write(uint32_t(2));
        body.Write(QString("zed"));
        body.Write(uint32_t(1));
        body.Write(int32_t(10));
        body.Write(QString("amy"));
        body.Write(uint32_t(2));
        body.Write(int32_t(20));
        PossibleParentsReply reply;
        QVERIFY(reply.Read(body));
        QCOMPARE(reply.parents.size(), size_t(2));
        QCOMPARE(reply.parents[0].first, QString("zed"));
        QCOMPARE(reply.parents[1].second.port, 20);
    }
};

QTEST_GUILESS_MAIN(TestReplies)
#include "tst_replies.moc"
