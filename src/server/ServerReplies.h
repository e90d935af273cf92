#ifndef SERVER_SERVERREPLIES_H
#define SERVER_SERVERREPLIES_H

#include "server/TCPAddress.h"
#include "server/UserStats.h"
#include "wire/InputStream.h"

#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

// The bodies of the messages the client takes from the server. Each Read
// fills the fields in layout order and stops at the first field that cannot
// be read; the fields not reached keep their defaults, and false tells that
// the body was shorter than its layout.

// 15, 66, 83, 84, 92, 104, 128, 139, 140, 141, 145, 146, 1001: a single
// field (a room name, a text, a value or a flag); its default when missing.
template <class T>
T ReadValue(InputStream& in)
{
    T value{};
    in.Read(value);
    return value;
}

// 1: the answer to the login.
struct LoginReply
{
    bool success = false;
    bool hasPrivileges = false;
    QString reason;
    bool Read(InputStream& in);
};

// 3: a user's address and ports.
struct PeerAddressReply
{
    QString user;
    uint32_t address = 0;
    int32_t port = 0;
    int32_t obfuscationType = 0;
    uint16_t obfuscatedPort = 0;
    bool Read(InputStream& in);
};

// 5: whether a user exists, with presence and statistics when it does.
struct AddUserReply
{
    QString user;
    bool exists = false;
    int32_t status = 0;
    UserStats stats;
    QString countryCode;
    bool Read(InputStream& in);
};

// 7: a user's presence.
struct UserStatusReply
{
    QString user;
    int32_t status = 0; // 0 offline, 1 away, 2 online
    bool privileged = false;
    bool Read(InputStream& in);
};

// 13: a line said in a room; 114: one user's ticker in a room.
struct RoomUserTextReply
{
    QString room;
    QString user;
    QString text;
    bool Read(InputStream& in);
};

// 14: the room the client has joined, with its users; private rooms also
// name their owner and operators.
struct JoinRoomReply
{
    QString room;
    std::vector<QString> users;
    std::vector<int32_t> statuses;
    std::vector<UserStats> stats;
    std::vector<int32_t> unused;
    std::vector<QString> countryCodes;
    bool hasOwner = false;
    QString owner;
    std::vector<QString> operators;
    bool Read(InputStream& in);
};

// 16: a user came into a room.
struct UserJoinedRoomReply
{
    QString room;
    QString user;
    int32_t status = 0;
    UserStats stats;
    int32_t unused = 0;
    QString countryCode;
    bool Read(InputStream& in);
};

// 17, 134, 135, 143, 144: a room and a user.
struct RoomUserReply
{
    QString room;
    QString user;
    bool Read(InputStream& in);
};

// 18: another user asks, through the server, for a connection to us.
struct ConnectToPeerReply
{
    QString user;
    QString connectionType;
    uint32_t address = 0;
    int32_t port = 0;
    uint32_t token = 0;
    bool privileged = false;
    int32_t obfuscationType = 0;
    int32_t obfuscatedPort = 0;
    bool Read(InputStream& in);
};

// 22: a private message.
struct PrivateMessageReply
{
    int32_t messageId = 0;
    int32_t timeStamp = 0; // seconds since 1970
    QString user;
    QString message;
    bool flag = false;
    bool Read(InputStream& in);
};

// 26: another user's search, passed on by the server.
struct FileSearchReply
{
    QString user;
    uint32_t token = 0;
    QString text;
    bool Read(InputStream& in);
};

// 36: a user's statistics.
struct UserStatsReply
{
    QString user;
    UserStats stats;
    bool Read(InputStream& in);
};

// 64: the rooms, with their user counts, and the own private rooms.
struct RoomListReply
{
    std::vector<QString> publicRooms;
    std::vector<int32_t> publicCounts;
    std::vector<QString> ownedRooms;
    std::vector<int32_t> ownedCounts;
    std::vector<QString> memberRooms;
    std::vector<int32_t> memberCounts;
    std::vector<QString> operatorRooms;
    bool Read(InputStream& in);
};

// 69: the privileged users.
struct UserListReply
{
    std::vector<QString> users;
    bool Read(InputStream& in);
};

// 102: candidate parents in the distributed network, in arrival order.
struct PossibleParentsReply
{
    std::vector<std::pair<QString, TCPAddress>> parents;
    bool Read(InputStream& in);
};

// 113: every ticker of a room.
struct RoomTickersReply
{
    QString room;
    std::vector<std::pair<QString, QString>> tickers; // user, text
    bool Read(InputStream& in);
};

// 133, 148: a room with a list of users (members or operators).
struct RoomUsersReply
{
    QString room;
    std::vector<QString> users;
    bool Read(InputStream& in);
};

// 153: search terms related to a term, with their ranks.
struct SearchCorrelationsReply
{
    QString term;
    std::vector<std::pair<QString, int32_t>> correlations;
    bool Read(InputStream& in);
};

#endif
