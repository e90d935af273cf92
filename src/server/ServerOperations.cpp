// The outgoing operations of the session other than login and keep-alive.
#include "server/Server.h"

#include "server/ForeignRecords.h"
#include "server/ServerRequests.h"
#include "store/Data.h"

void Server::SendFilesFolders(int folderCount, int fileCount)
{
    Send(ServerRequests::SharedFoldersFiles(uint32_t(folderCount), uint32_t(fileCount)));
}

void Server::SendUploadSpeed(int speed)
{
    Send(ServerRequests::UploadSpeed(uint32_t(speed)));
}

void Server::GetOwnPrivilegesStatus()
{
    Send(ServerRequests::GetOwnPrivilegesStatus());
}

void Server::GiftPrivileges(QString const& user, int days)
{
    Send(ServerRequests::GivePrivilege(user, uint32_t(days)));
}

void Server::BannedUser(QString const& user)
{
    Send(ServerRequests::BanUser(user));
}

void Server::GetUserAddress(QString const& user)
{
    if (!CanWrite(ForeignRecord::PeerAddress, QString("Address request for %1").arg(user)))
        return;
    ItemPtr userItem = d.GetType("user")->GetItem(user);
    if (userItem.IsConnected("user_address_request"))
        return;
    Send(ServerRequests::GetPeerAddress(user));
    userItem += d.GetType("user_address_request")->NewItem();
}

void Server::AddUser(QString const& user)
{
    Send(ServerRequests::AddUser(user));
}

void Server::TrackUser(QString const& user)
{
    ItemPtr userItem = d.GetType("user")->GetItem(user);
    if (userItem.IsConnected("is_tracked"))
        return;
    userItem.NewItem("is_tracked");
    AddUser(user);
}

void Server::UntrackUser(QString const& user)
{
    ItemPtr userItem = d.GetType("user")->HasItem(user);
    if (!userItem.IsConnected("is_tracked"))
        return;
    userItem.Disconnect("is_tracked");
    Send(ServerRequests::RemoveUser(user));
}

void Server::GetUserStatus(QString const& user)
{
    Send(ServerRequests::GetUserStatus(user));
}

void Server::GetUserStats(QString const& user)
{
    Send(ServerRequests::GetUserStats(user));
}

void Server::SendPrivateChat(QString const& user, QString const& message)
{
    // The server takes one line per message.
    QString oneLine = message;
    oneLine.replace('\r', ' ').replace('\n', ' ');
    Send(ServerRequests::MessageUser(user, oneLine));
    emit PrivateChatSent(user, oneLine);
}

void Server::SendRoomChat(QString const& room, QString const& message)
{
    Send(ServerRequests::SayChatroom(room, message));
}

void Server::EnterRoom(QString const& room, bool isPrivate)
{
    Send(ServerRequests::JoinRoom(room, isPrivate));
}

void Server::LeaveRoom(QString const& room)
{
    Send(ServerRequests::LeaveRoom(room));
}

void Server::GetRoomList()
{
    Send(ServerRequests::RoomList());
}

void Server::SetRoomTicker(QString const& room, QString const& text)
{
    Send(ServerRequests::SetTicker(room, text));
}

void Server::AddPrivateRoomMember(QString const& room, QString const& user)
{
    Send(ServerRequests::AddRoomMember(room, user));
}

void Server::RemovePrivateRoomMember(QString const& room, QString const& user)
{
    Send(ServerRequests::RemoveRoomMember(room, user));
}

void Server::GiveUpPrivateRoomMembership(QString const& room)
{
    Send(ServerRequests::RemoveOwnRoomMembership(room));
}

void Server::GiveUpPrivateRoom(QString const& room)
{
    Send(ServerRequests::GiveUpRoom(room));
}

void Server::EnablePrivateRoomAdd(bool enabled)
{
    Send(ServerRequests::EnablePrivateRoomAdd(enabled));
}

void Server::AddPrivateRoomOperator(QString const& room, QString const& user)
{
    Send(ServerRequests::AddRoomOperator(room, user));
}

void Server::RemovePrivateRoomOperator(QString const& room, QString const& user)
{
    Send(ServerRequests::RemoveRoomOperator(room, user));
}

unsigned int Server::SendIndirectConnectionRequest(QString const& user, QString const& connectionType)
{
    const unsigned int token = indirectConnectionTokenCounter++;
    Send(ServerRequests::ConnectToPeer(token, user, connectionType));
    return token;
}

void Server::SendCantConnectToPeer(unsigned int token, QString const& user)
{
    Send(ServerRequests::CantConnectToPeer(token, user));
}

void Server::SendDNetHasParent(bool hasParent)
{
    Send(ServerRequests::DNetHasParent(hasParent));
}

void Server::SendDNetCanParent(bool canParent)
{
    Send(ServerRequests::DNetCanParent(canParent));
}

void Server::SendDNetLevel(int level)
{
    Send(ServerRequests::DNetLevel(uint32_t(level)));
}

void Server::SendDNetGroupLeader(QString const& user)
{
    Send(ServerRequests::DNetGroupLeader(user));
}

void Server::SendChildDepth(bool value)
{
    Send(ServerRequests::DNetChildDepth(value));
}
