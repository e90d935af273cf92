// The outgoing operations of the session other than login and keep-alive.
#include "server/Server.h"

#include "store/Data.h"

void Server::SendFilesFolders(int folderCount, int fileCount)
{
    Send(SM_SHARED_FOLDERS_FILES, uint32_t(folderCount), uint32_t(fileCount));
}

void Server::SendUploadSpeed(int speed)
{
    Send(SM_UPLOAD_SPEED, uint32_t(speed));
}
void Server::GetOwnPrivilegesStatus()
{
    Send(SM_GET_OWN_PRIVILEGES_STATUS);
}
void Server::GiftPrivileges(const QString& user, int days)
{
    Send(SM_GIVE_PRIVILEGE, user, uint32_t(days));
}
void Server::BannedUser(const QString& user)
{
    Send(SM_BAN_USER, user);
}

void Server::GetUserAddress(const QString& user)
{
    ItemPtr userItem = d.GetType("user")->GetItem(user);
    if (userItem.IsConnected("user_address_request"))
        return;
    Send(SM_GET_PEER_ADDRESS, user);
    userItem += d.GetType("user_address_request")->NewItem();
}

void Server::AddUser(const QString& user)
{
    Send(SM_ADD_USER, user);
}

void Server::TrackUser(const QString& user)
{
    ItemPtr userItem = d.GetType("user")->GetItem(user);
    if (userItem.IsConnected("is_tracked"))
        return;
    userItem.NewItem("is_tracked");
    AddUser(user);
}

void Server::UntrackUser(const QString& user)
{
    ItemPtr userItem = d.GetType("user")->HasItem(user);
    if (!userItem.IsConnected("is_tracked"))
        return;
    userItem.Disconnect("is_tracked");
    Send(SM_REMOVE_USER, user);
}

void Server::GetUserStatus(const QString& user)
{
    Send(SM_GET_USER_STATUS, user);
}
void Server::GetUserStats(const QString& user)
{
    Send(SM_GET_USER_STATS, user);
}

void Server::SendPrivateChat(const QString& user, const QString& message)
{
    // The server takes one line per message.
    QString oneLine = message;
    oneLine.replace('\r', ' ').replace('\n', ' ');
    Send(SM_MESSAGE_USER, user, oneLine);
    emit PrivateChatSent(user, oneLine);
}

void Server::SendRoomChat(const QString& room, const QString& message)
{
    Send(SM_SAY_CHATROOM, room, message);
}
void Server::EnterRoom(const QString& room, bool isPrivate)
{
    Send(SM_JOIN_ROOM, room, uint32_t(isPrivate));
}
void Server::LeaveRoom(const QString& room)
{
    Send(SM_LEAVE_ROOM, room);
}
void Server::GetRoomList()
{
    Send(SM_ROOM_LIST);
}
void Server::SetRoomTicker(const QString& room, const QString& text)
{
    Send(SM_SET_TICKER, room, text);
}

void Server::AddPrivateRoomMember(const QString& room, const QString& user)
{
    Send(SM_ADD_ROOM_MEMBER, room, user);
}

void Server::RemovePrivateRoomMember(const QString& room, const QString& user)
{
    Send(SM_REMOVE_ROOM_MEMBER, room, user);
}

void Server::GiveUpPrivateRoomMembership(const QString& room)
{
    Send(SM_REMOVE_OWN_ROOM_MEMBERSHIP, room);
}
void Server::GiveUpPrivateRoom(const QString& room)
{
    Send(SM_GIVE_UP_ROOM, room);
}
void Server::EnablePrivateRoomAdd(bool enabled)
{
    Send(SM_ENABLE_PRIVATE_ROOM_ADD, enabled);
}

void Server::AddPrivateRoomOperator(const QString& room, const QString& user)
{
    Send(SM_ADD_ROOM_OPERATOR, room, user);
}

void Server::RemovePrivateRoomOperator(const QString& room, const QString& user)
{
    Send(SM_REMOVE_ROOM_OPERATOR, room, user);
}

unsigned int Server::SendIndirectConnectionRequest(const QString& user, const QString& connectionType)
{
    const unsigned int token = indirectConnectionTokenCounter++;
    Send(SM_CONNECT_TO_PEER, uint32_t(token), user, connectionType);
    return token;
}

void Server::SendCantConnectToPeer(unsigned int token, const QString& user)
{
    Send(SE_CANT_CONNECT_TO_PEER, uint32_t(token), user);
}

void Server::SendDNetHasParent(bool hasParent)
{
    Send(SM_SEND_DISTRIBUTIONS, hasParent);
}
void Server::SendDNetCanParent(bool canParent)
{
    Send(SM_CAN_PARENT, canParent);
}
void Server::SendDNetLevel(int level)
{
    Send(SM_DNET_LEVEL, uint32_t(level));
}
void Server::SendDNetGroupLeader(const QString& user)
{
    Send(SM_DNET_GROUP_LEADER, user);
}
void Server::SendChildDepth(bool value)
{
    Send(SM_DNET_CHILD_DEPTH, value);
}
