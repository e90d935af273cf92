#include "server/ServerMessageCode.h"
#include "server/ServerRequests.h"
#include "server/Server.h"

#include <QtTest>

// The outgoing messages, byte for byte.
class TestRequests : public QObject
{
    Q_OBJECT

private:
    static QByteArray Bytes(MemStream message) { return message.GetPendingBytes(); }
    static QByteArray U32(uint32_t value)
    {
        MemStream out;
        out.Write(value);
        return out.GetPendingBytes();
    }
    static QByteArray Str(QByteArray const& utf8) { return U32(uint32_t(utf8.size())) + utf8; }

private slots:
    void digestIsMd5OfNameFollowedByPassword()
    {
        // RFC 1321 test vector: MD5("abc").
        QCOMPARE(ServerRequests::LoginDigest("a", "bc"), QString("900150983cd24fb0d6963f7d28e17f72"));
        QCOMPARE(ServerRequests::LoginDigest("ab", "c"), ServerRequests::LoginDigest("a", "bc"));
        QCOMPARE(ServerRequests::LoginDigest("", ""), QString("d41d8cd98f00b204e9800998ecf8427e"));
    }

    void digestHashesNonAsciiAsUtf8()
    {
        const QString password = QString::fromUtf8("p\xc3\xa9");
        const QByteArray expected =
            QCryptographicHash::hash(QByteArray("bob") + "p\xc3\xa9", QCryptographicHash::Md5).toHex();
        QCOMPARE(ServerRequests::LoginDigest("bob", password), QString::fromLatin1(expected));
        QCOMPARE(ServerRequests::LoginDigest("bob", password), ServerRequests::LoginDigest("bob", password).toLower());
        QCOMPARE(ServerRequests::LoginDigest("bob", password).size(), 32);
    }

    void loginLayout()
    {
        const QString password = QString::fromUtf8("p\xc3\xa9");
        const QByteArray digest = ServerRequests::LoginDigest("bob", password).toLatin1();
        QCOMPARE(Bytes(ServerRequests::Login("bob", password)),
                 U32(1) + Str("bob") + Str("p\xc3\xa9") + U32(157) + Str(digest) + U32(100));
    }

    void loginWithEmptyPasswordHashesNameAlone()
    {
        const QByteArray digest = QCryptographicHash::hash("bob", QCryptographicHash::Md5).toHex();
        QCOMPARE(Bytes(ServerRequests::Login("bob", "")), U32(1) + Str("bob") + Str("") + U32(157) + Str(digest) + U32(100));
    }

    void sessionLayouts()
    {
        QCOMPARE(Bytes(ServerRequests::SetWaitPort(2235, 2236)), U32(2) + U32(2235) + U32(1) + U32(2236));
        QCOMPARE(Bytes(ServerRequests::SetStatus(false)), U32(28) + U32(1));
        QCOMPARE(Bytes(ServerRequests::SetStatus(true)), U32(28) + U32(2));
        QCOMPARE(Bytes(ServerRequests::Heartbeat()), U32(32));
        QCOMPARE(Bytes(ServerRequests::SharedFoldersFiles(3, 40)), U32(35) + U32(3) + U32(40));
        QCOMPARE(Bytes(ServerRequests::UploadSpeed(5000)), U32(121) + U32(5000));
        QCOMPARE(Bytes(ServerRequests::GetOwnPrivilegesStatus()), U32(92));
        QCOMPARE(Bytes(ServerRequests::GivePrivilege("ann", 7)), U32(123) + Str("ann") + U32(7));
        QCOMPARE(Bytes(ServerRequests::BanUser("ann")), U32(132) + Str("ann"));
    }

    void userLayouts()
    {
        QCOMPARE(Bytes(ServerRequests::GetPeerAddress("ann")), U32(3) + Str("ann"));
        QCOMPARE(Bytes(ServerRequests::AddUser("ann")), U32(5) + Str("ann"));
        QCOMPARE(Bytes(ServerRequests::RemoveUser("ann")), U32(6) + Str("ann"));
        QCOMPARE(Bytes(ServerRequests::GetUserStatus("ann")), U32(7) + Str("ann"));
        QCOMPARE(Bytes(ServerRequests::GetUserStats("ann")), U32(36) + Str("ann"));
        QCOMPARE(Bytes(ServerRequests::MessageUser("ann", "hi")), U32(22) + Str("ann") + Str("hi"));
        QCOMPARE(Bytes(ServerRequests::MessageAcked(77)), U32(23) + U32(77));
    }

    void roomLayouts()
    {
        QCOMPARE(Bytes(ServerRequests::SayChatroom("r", "hi")), U32(13) + Str("r") + Str("hi"));
        QCOMPARE(Bytes(ServerRequests::JoinRoom("r", false)), U32(14) + Str("r") + U32(0));
        QCOMPARE(Bytes(ServerRequests::JoinRoom("r", true)), U32(14) + Str("r") + U32(1));
        QCOMPARE(Bytes(ServerRequests::LeaveRoom("r")), U32(15) + Str("r"));
        QCOMPARE(Bytes(ServerRequests::RoomList()), U32(64));
        QCOMPARE(Bytes(ServerRequests::SetTicker("r", "t")), U32(116) + Str("r") + Str("t"));
        QCOMPARE(Bytes(ServerRequests::AddRoomMember("r", "u")), U32(134) + Str("r") + Str("u"));
        QCOMPARE(Bytes(ServerRequests::RemoveRoomMember("r", "u")), U32(135) + Str("r") + Str("u"));
        QCOMPARE(Bytes(ServerRequests::RemoveOwnRoomMembership("r")), U32(136) + Str("r"));
        QCOMPARE(Bytes(ServerRequests::GiveUpRoom("r")), U32(137) + Str("r"));
        QCOMPARE(Bytes(ServerRequests::EnablePrivateRoomAdd(true)), U32(141) + QByteArray(1, '\1'));
        QCOMPARE(Bytes(ServerRequests::AddRoomOperator("r", "u")), U32(143) + Str("r") + Str("u"));
        QCOMPARE(Bytes(ServerRequests::RemoveRoomOperator("r", "u")), U32(144) + Str("r") + Str("u"));
    }

    void searchLayouts()
    {
        QCOMPARE(Bytes(ServerRequests::FileSearch(9, "abc", false)), U32(26) + U32(9) + Str("abc"));
        QCOMPARE(Bytes(ServerRequests::FileSearch(9, "abc", true)), U32(103) + U32(9) + Str("abc"));
        QCOMPARE(Bytes(ServerRequests::SearchRoom("r", 9, "abc")), U32(120) + Str("r") + U32(9) + Str("abc"));
        QCOMPARE(Bytes(ServerRequests::SearchUserFiles("u", 9, "abc")), U32(42) + Str("u") + U32(9) + Str("abc"));
        QCOMPARE(Bytes(ServerRequests::SearchCorrelations("abc")), U32(153) + Str("abc"));
    }

    void peerAndDistributedLayouts()
    {
        QCOMPARE(Bytes(ServerRequests::ConnectToPeer(4, "u", "P")), U32(18) + U32(4) + Str("u") + Str("P"));
        QCOMPARE(Bytes(ServerRequests::CantConnectToPeer(4, "u")), U32(1001) + U32(4) + Str("u"));
        QCOMPARE(Bytes(ServerRequests::DNetHasParent(true)), U32(71) + QByteArray(1, '\1'));
        QCOMPARE(Bytes(ServerRequests::DNetCanParent(false)), U32(100) + QByteArray(1, '\0'));
        QCOMPARE(Bytes(ServerRequests::DNetLevel(3)), U32(126) + U32(3));
        QCOMPARE(Bytes(ServerRequests::DNetGroupLeader("u")), U32(127) + Str("u"));
        QCOMPARE(Bytes(ServerRequests::DNetChildDepth(true)), U32(129) + QByteArray(1, '\1'));
    }

    void codeNames()
    {
        QCOMPARE(Server::MessageCodeToString(1), QString("SM_LOGIN"));
        QCOMPARE(Server::MessageCodeToString(153), QString("SM_SEARCH_CORRELATIONS"));
        QCOMPARE(Server::MessageCodeToString(1002), QString("SE_CANT_CREATE_ROOM"));
        QCOMPARE(Server::MessageCodeToString(4), QString());
        QCOMPARE(Server::MessageCodeToString(-1), QString());
    }
};

QTEST_GUILESS_MAIN(TestRequests)
#include "tst_requests.moc"
