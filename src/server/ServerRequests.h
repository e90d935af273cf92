#ifndef SERVER_SERVERREQUESTS_H
#define SERVER_SERVERREQUESTS_H

#include "wire/MemStream.h"

#include <QString>

#include <cstdint>

// Builders of the messages the client sends to the server. Each returns a
// fresh stream holding the uint32 code followed by the body; the session adds
// the length word when it sends it.
namespace ServerRequests
{
// The 32 lower-case hex characters of the MD5 of the user name's UTF-8 bytes
// immediately followed by the password's.
QString LoginDigest(QString const& user, QString const& password);

MemStream Login(QString const& user, QString const& password);
MemStream SetWaitPort(uint32_t port, uint32_t obfuscatedPort);
MemStream SetStatus(bool available);
MemStream Heartbeat();
MemStream SharedFoldersFiles(uint32_t folderCount, uint32_t fileCount);
MemStream UploadSpeed(uint32_t speed);
MemStream GetOwnPrivilegesStatus();
MemStream GivePrivilege(QString const& user, uint32_t days);
MemStream BanUser(QString const& user);

MemStream GetPeerAddress(QString const& user);
MemStream AddUser(QString const& user);
MemStream RemoveUser(QString const& user);
MemStream GetUserStatus(QString const& user);
MemStream GetUserStats(QString const& user);
// Line breaks in the text must already have been replaced.
MemStream MessageUser(QString const& user, QString const& text);
MemStream MessageAcked(uint32_t messageId);

MemStream SayChatroom(QString const& room, QString const& text);
MemStream JoinRoom(QString const& room, bool isPrivate);
MemStream LeaveRoom(QString const& room);
MemStream RoomList();
MemStream SetTicker(QString const& room, QString const& text);
MemStream AddRoomMember(QString const& room, QString const& user);
MemStream RemoveRoomMember(QString const& room, QString const& user);
MemStream RemoveOwnRoomMembership(QString const& room);
MemStream GiveUpRoom(QString const& room);
MemStream EnablePrivateRoomAdd(bool enabled);
MemStream AddRoomOperator(QString const& room, QString const& user);
MemStream RemoveRoomOperator(QString const& room, QString const& user);

MemStream FileSearch(uint32_t token, QString const& text, bool wishList);
MemStream SearchRoom(QString const& room, uint32_t token, QString const& text);
MemStream SearchUserFiles(QString const& user, uint32_t token, QString const& text);
MemStream SearchCorrelations(QString const& term);

MemStream ConnectToPeer(uint32_t token, QString const& user, QString const& connectionType);
MemStream CantConnectToPeer(uint32_t token, QString const& user);

MemStream DNetHasParent(bool hasParent);
MemStream DNetCanParent(bool canParent);
MemStream DNetLevel(uint32_t level);
MemStream DNetGroupLeader(QString const& user);
MemStream DNetChildDepth(bool value);
} // namespace ServerRequests

#endif
