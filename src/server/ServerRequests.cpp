#include "server/ServerRequests.h"

#include "server/ServerMessageCode.h"

#include <QCryptographicHash>

namespace
{
// The login carries the protocol version the server expects from this kind of
// client, then a minor version.
constexpr uint32_t LoginMajorVersion = 157;
constexpr uint32_t LoginMinorVersion = 100;

// A stream starting with the code, followed by each field in order.
template <class... Fields>
MemStream Build(ServerMessageCode code, Fields const&... fields)
{
    MemStream message;
    message.Write(uint32_t(code));
    (message.Write(fields), ...);
    return message;
}
} // namespace

namespace ServerRequests
{
QString LoginDigest(QString const& user, QString const& password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(user.toUtf8() + password.toUtf8(), QCryptographicHash::Md5).toHex());
}

MemStream Login(QString const& user, QString const& password)
{
    return Build(SM_LOGIN, user, password, LoginMajorVersion, LoginDigest(user, password), LoginMinorVersion);
}

MemStream SetWaitPort(uint32_t port, uint32_t obfuscatedPort)
{
    const uint32_t obfuscationType = 1;
    return Build(SM_SET_WAIT_PORT, port, obfuscationType, obfuscatedPort);
}

MemStream SetStatus(bool available)
{
    return Build(SM_SET_STATUS, uint32_t(available ? 2 : 1));
}

MemStream Heartbeat() { return Build(SM_HEARTBEAT); }

MemStream SharedFoldersFiles(uint32_t folderCount, uint32_t fileCount)
{
    return Build(SM_SHARED_FOLDERS_FILES, folderCount, fileCount);
}

MemStream UploadSpeed(uint32_t speed) { return Build(SM_UPLOAD_SPEED, speed); }
MemStream GetOwnPrivilegesStatus() { return Build(SM_GET_OWN_PRIVILEGES_STATUS); }
MemStream GivePrivilege(QString const& user, uint32_t days) { return Build(SM_GIVE_PRIVILEGE, user, days); }
MemStream BanUser(QString const& user) { return Build(SM_BAN_USER, user); }

MemStream GetPeerAddress(QString const& user) { return Build(SM_GET_PEER_ADDRESS, user); }
MemStream AddUser(QString const& user) { return Build(SM_ADD_USER, user); }
MemStream RemoveUser(QString const& user) { return Build(SM_REMOVE_USER, user); }
MemStream GetUserStatus(QString const& user) { return Build(SM_GET_USER_STATUS, user); }
MemStream GetUserStats(QString const& user) { return Build(SM_GET_USER_STATS, user); }
MemStream MessageUser(QString const& user, QString const& text) { return Build(SM_MESSAGE_USER, user, text); }
MemStream MessageAcked(uint32_t messageId) { return Build(SM_MESSAGE_ACKED, messageId); }

MemStream SayChatroom(QString const& room, QString const& text) { return Build(SM_SAY_CHATROOM, room, text); }
MemStream JoinRoom(QString const& room, bool isPrivate) { return Build(SM_JOIN_ROOM, room, uint32_t(isPrivate)); }
MemStream LeaveRoom(QString const& room) { return Build(SM_LEAVE_ROOM, room); }
MemStream RoomList() { return Build(SM_ROOM_LIST); }
MemStream SetTicker(QString const& room, QString const& text) { return Build(SM_SET_TICKER, room, text); }

MemStream AddRoomMember(QString const& room, QString const& user)
{
    return Build(SM_ADD_ROOM_MEMBER, room, user);
}

MemStream RemoveRoomMember(QString const& room, QString const& user)
{
    return Build(SM_REMOVE_ROOM_MEMBER, room, user);
}

MemStream RemoveOwnRoomMembership(QString const& room) { return Build(SM_REMOVE_OWN_ROOM_MEMBERSHIP, room); }
MemStream GiveUpRoom(QString const& room) { return Build(SM_GIVE_UP_ROOM, room); }
MemStream EnablePrivateRoomAdd(bool enabled) { return Build(SM_ENABLE_PRIVATE_ROOM_ADD, enabled); }

MemStream AddRoomOperator(QString const& room, QString const& user)
{
    return Build(SM_ADD_ROOM_OPERATOR, room, user);
}

MemStream RemoveRoomOperator(QString const& room, QString const& user)
{
    return Build(SM_REMOVE_ROOM_OPERATOR, room, user);
}

MemStream FileSearch(uint32_t token, QString const& text, bool wishList)
{
    return Build(wishList ? SM_LOW_PRIORITY_FILE_SEARCH : SM_FILE_SEARCH, token, text);
}

MemStream SearchRoom(QString const& room, uint32_t token, QString const& text)
{
    return Build(SM_SEARCH_ROOM, room, token, text);
}

MemStream SearchUserFiles(QString const& user, uint32_t token, QString const& text)
{
    return Build(SM_SEARCH_USER_FILES, user, token, text);
}

MemStream SearchCorrelations(QString const& term) { return Build(SM_SEARCH_CORRELATIONS, term); }

MemStream ConnectToPeer(uint32_t token, QString const& user, QString const& connectionType)
{
    return Build(SM_CONNECT_TO_PEER, token, user, connectionType);
}

MemStream CantConnectToPeer(uint32_t token, QString const& user)
{
    return Build(SE_CANT_CONNECT_TO_PEER, token, user);
}

MemStream DNetHasParent(bool hasParent) { return Build(SM_SEND_DISTRIBUTIONS, hasParent); }
MemStream DNetCanParent(bool canParent) { return Build(SM_CAN_PARENT, canParent); }
MemStream DNetLevel(uint32_t level) { return Build(SM_DNET_LEVEL, level); }
MemStream DNetGroupLeader(QString const& user) { return Build(SM_DNET_GROUP_LEADER, user); }
MemStream DNetChildDepth(bool value) { return Build(SM_DNET_CHILD_DEPTH, value); }
} // namespace ServerRequests
