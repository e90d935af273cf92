#include "WireBytes.h"

#include "server/ServerReplies.h"

#include <QtTest>

// Reading the bodies the server sends: the list rules and the optional fields.
class TestReplies : public QObject
{
    Q_OBJECT

private slots:
    void listRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("count");
        QTest::newRow("count above the limit is empty") << Bytes(200000u) + Str("x") << true << 0;
        QByteArray atLimit = Bytes(131072u);
        for (int n = 0; n < 131072; ++n)
            atLimit += Str("");
        QTest::newRow("count at the limit is read") << atLimit << true << 131072;
        // The third string is cut short.
        QTest::newRow("stops at the first unreadable element")
            << Bytes(3u) + Str("ann") + Str("bob") + Bytes(10u) << false << 2;
    }

    void listRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, whole);
        QFETCH(int, count);
        MemStream body(bytes);
        UserListReply reply;
        QCOMPARE(reply.Read(body), whole);
        QCOMPARE(reply.users.size(), size_t(count));
        if (count == 2)
            QCOMPARE(reply.users, (std::vector<QString>{"ann", "bob"}));
    }

    void userStatsFieldOrder()
    {
        MemStream body = Body(1000u, uint64_t(1) << 40, 12u, 3u);
        UserStats stats;
        QVERIFY(stats.Read(body));
        QCOMPARE(stats.averageSpeed, 1000u);
        QCOMPARE(stats.transferCount, uint64_t(1) << 40);
        QCOMPARE(stats.fileCount, 12u);
        QCOMPARE(stats.folderCount, 3u);
    }

    void addUserReadsCountryOnlyWhenOnline()
    {
        MemStream offline = Body(QString("ann"), true, int32_t(0), UserStats{}, QString("next message"));
        AddUserReply reply;
        QVERIFY(reply.Read(offline));
        QVERIFY(reply.countryCode.isEmpty());
        QCOMPARE(offline.GetPendingReadLength(), uint64_t(Str("next message").size()));
    }

    void joinRoomOwnerOnlyForPrivateRooms()
    {
        const QByteArray publicRoom = Bytes(QString("room"), std::vector<QString>{"ann"}, std::vector<int32_t>{2}, 1u,
                                            UserStats{}, std::vector<int32_t>{0}, std::vector<QString>{"NZ"});
        MemStream publicBody(publicRoom);
        JoinRoomReply reply;
        QVERIFY(reply.Read(publicBody));
        QVERIFY(!reply.hasOwner);
        QCOMPARE(reply.countryCodes, std::vector<QString>{"NZ"});

        MemStream privateBody(publicRoom + Bytes(QString("ann"), std::vector<QString>{"bob"}));
        JoinRoomReply privateReply;
        QVERIFY(privateReply.Read(privateBody));
        QVERIFY(privateReply.hasOwner);
        QCOMPARE(privateReply.owner, QString("ann"));
        QCOMPARE(privateReply.operators, std::vector<QString>{"bob"});
    }

    void shortBodyKeepsDefaultsOfUnreadFields()
    {
        MemStream body = Body(QString("ann"), 0x01020304u);
        PeerAddressReply reply;
        QVERIFY(!reply.Read(body));
        QCOMPARE(reply.user, QString("ann"));
        QCOMPARE(reply.address, 0x01020304u);
        QCOMPARE(reply.port, 0);
    }
};

QTEST_GUILESS_MAIN(TestReplies)
#include "tst_replies.moc"
