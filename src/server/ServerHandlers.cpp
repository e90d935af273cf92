// What the session does with each message from the server: read its body,
// write the result into the graph and tell the rest of the program.
#include "server/Server.h"

#include "app/Settings.h"
#include "server/ServerReplies.h"
#include "store/Data.h"

#include <QDateTime>

#include <set>

namespace {
ItemPtr User(const QString& name)
{
    return d.GetType("user")->GetItem(name);
}

ItemPtr Room(const QString& name)
{
    return d.GetType("room")->GetItem(name);
}

// The user or room when the graph knows it, else null.
ItemPtr KnownUser(const QString& name)
{
    return d.GetType("user")->HasItem(name);
}

ItemPtr KnownRoom(const QString& name)
{
    return d.GetType("room")->HasItem(name);
}

// Connects the item to the item of that type with that value, replacing the
// earlier one where the item may have only one.
void Set(ItemPtr item, const char* typeName, const Value& value)
{
    item += d.GetType(typeName)->GetItem(value);
}

// Flags the item with the type's global null item.
void GiveGlobalFlag(ItemPtr item, const char* typeName)
{
    item += d.GetType(typeName)->GetGlobalNullItem();
}

bool IsIgnored(const QString& name)
{
    return KnownUser(name).IsConnected("is_ignored");
}

QString Now()
{
    return QDateTime::currentDateTime().toString(Qt::TextDate);
}

void SetUserStats(ItemPtr user, const UserStats& stats)
{
    Set(user, "average_download_speed", Value(stats.averageSpeed));
    Set(user, "shared_file_count", Value(stats.fileCount));
}

void SetUserAddress(ItemPtr user, uint32_t address, int32_t port, int32_t obfuscationType, int obfuscatedPort)
{
    Set(user, "user_address", Value(address));
    Set(user, "user_port", Value(port));
    Set(user, "user_obfuscated_port", Value(obfuscationType == 1 ? obfuscatedPort : 0));
}

// Makes the users, and only them, the users of the room's link item of the
// given type (its members or operators).
void ReplaceRoomUsers(ItemPtr room, const char* linkType, const std::vector<QString>& users)
{
    ItemPtr link = room.NewItem(linkType);
    link.Disconnect("user");
    for (const QString& name : users)
        link += User(name);
}

void ClearSetting(const char* name)
{
    d.GetType("global")->HasItem(Value(name)).Disconnect("global_value");
}

// The handlers that only write the graph.

void OnPeerAddress(MemStream& message)
{
    PeerAddressReply reply;
    reply.Read(message);
    ItemPtr user = User(reply.user);
    SetUserAddress(user, reply.address, reply.port, reply.obfuscationType, reply.obfuscatedPort);
    user.Disconnect("user_address_request");
}

void OnUserStatus(MemStream& message)
{
    UserStatusReply reply;
    reply.Read(message);
    ItemPtr user = User(reply.user);
    if (reply.status <= 0 && user.IsConnected("is_online")) {
        user.Disconnect("is_online");
        Set(user, "last_online_status_change", Now());
    } else if (reply.status > 0 && !user.IsConnected("is_online")) {
        user.NewItem("is_online");
        Set(user, "last_online_status_change", Now());
    }
    if (reply.status == 1)
        GiveGlobalFlag(user, "is_away");
    else
        user.Disconnect("is_away");
    if (reply.privileged)
        user.NewItem("is_privileged");
}

void OnJoinRoom(MemStream& message)
{
    JoinRoomReply reply;
    reply.Read(message);
    ItemPtr room = Room(reply.room);
    if (reply.hasOwner) {
        room.NewItem("room_owner") += User(reply.owner);
        ReplaceRoomUsers(room, "room_operators", reply.operators);
    }
    room.NewItem("in_room");
    room.Disconnect("user");
    for (size_t n = 0; n < reply.users.size(); ++n) {
        ItemPtr user = User(reply.users[n]);
        user += room;
        if (n < reply.stats.size())
            SetUserStats(user, reply.stats[n]);
        if (n < reply.countryCodes.size())
            Set(user, "country_code", reply.countryCodes[n]);
    }
}

void OnLeaveRoom(MemStream& message)
{
    ItemPtr room = KnownRoom(ReadValue<QString>(message));
    if (!room.IsConnected("in_room"))
        return;
    room.Disconnect("in_room");
    room.Disconnect("user");
}

void OnUserJoinedRoom(MemStream& message)
{
    UserJoinedRoomReply reply;
    reply.Read(message);
    ItemPtr user = User(reply.user);
    user += Room(reply.room);
    SetUserStats(user, reply.stats);
    Set(user, "country_code", reply.countryCode);
}

void OnUserLeftRoom(MemStream& message)
{
    RoomUserReply reply;
    reply.Read(message);
    KnownUser(reply.user) -= KnownRoom(reply.room);
}

void OnConnectToPeer(MemStream& message)
{
    ConnectToPeerReply reply;
    reply.Read(message);
    // The user's address goes in before the request is tied to the user, so
    // that whoever watches for complete requests never sees an old address.
    ItemPtr user = User(reply.user);
    SetUserAddress(user, reply.address, reply.port, reply.obfuscationType, reply.obfuscatedPort);
    if (reply.privileged)
        user.NewItem("is_privileged");
    ItemPtr request = d.GetType("peer_connection_request")->NewItem();
    Set(request, "peer_connection_request_id", Value(reply.token));
    Set(request, "peer_connection_type", reply.connectionType);
    request += user;
}

void OnRoomList(MemStream& message)
{
    const bool asked = GetSetting("accept_room_list") == "yes";
    SetSetting("accept_room_list", "no");
    RoomListReply reply;
    reply.Read(message);

    Type* roomType = d.GetType("room");
    Type* userCount = d.GetType("user_count");
    // An unasked-for list only refreshes the counts of public rooms already known.
    for (size_t n = 0; n < reply.publicRooms.size(); ++n) {
        ItemPtr room = asked ? roomType->GetItem(reply.publicRooms[n]) : roomType->HasItem(reply.publicRooms[n]);
        if (room && n < reply.publicCounts.size())
            room += userCount->GetItem(Value(reply.publicCounts[n]));
    }

    std::set<ItemPtr> owned;
    for (size_t n = 0; n < reply.ownedRooms.size(); ++n) {
        ItemPtr room = Room(reply.ownedRooms[n]);
        owned.insert(room);
        if (n < reply.ownedCounts.size())
            room += userCount->GetItem(Value(reply.ownedCounts[n]));
        GiveGlobalFlag(room, "is_owner");
        GiveGlobalFlag(room, "is_private");
        GiveGlobalFlag(room, "is_member");
    }
    std::set<ItemPtr> privateRooms = owned;
    for (size_t n = 0; n < reply.memberRooms.size(); ++n) {
        ItemPtr room = Room(reply.memberRooms[n]);
        privateRooms.insert(room);
        if (n < reply.memberCounts.size())
            room += userCount->GetItem(Value(reply.memberCounts[n]));
        GiveGlobalFlag(room, "is_private");
        GiveGlobalFlag(room, "is_member");
    }

    for (ItemPtr room : g("room").Connected("is_owner"))
        if (!owned.count(room))
            room.Disconnect("is_owner");
    for (ItemPtr room : g("room").Connected("is_member"))
        if (!privateRooms.count(room))
            room.Disconnect("is_member");
    for (const QString& name : reply.operatorRooms)
        GiveGlobalFlag(Room(name), "is_operator");
}

void OnPrivilegedList(MemStream& message)
{
    UserListReply reply;
    reply.Read(message);
    for (const QString& name : reply.users)
        User(name).NewItem("is_privileged");
}

// 133, 148: the room's members or operators are replaced by the listed ones.
void OnRoomLinkUsers(MemStream& message, const char* linkType)
{
    RoomUsersReply reply;
    reply.Read(message);
    ReplaceRoomUsers(Room(reply.room), linkType, reply.users);
}

// 134, 143: one more member or operator.
void OnAddRoomLinkUser(MemStream& message, const char* linkType)
{
    RoomUserReply reply;
    reply.Read(message);
    Room(reply.room).NewItem(linkType) += User(reply.user);
}

// 135, 144: one member or operator less.
void OnRemoveRoomLinkUser(MemStream& message, const char* linkType)
{
    RoomUserReply reply;
    reply.Read(message);
    KnownRoom(reply.room).GetItem(linkType) -= KnownUser(reply.user);
}

void OnRemoveRoomMembership(MemStream& message)
{
    ItemPtr room = Room(ReadValue<QString>(message));
    room.Disconnect("is_member");
    room.Disconnect("is_operator");
    room.Disconnect("is_owner");
}
} // namespace

void Server::HandleMessage(int code, MemStream& message)
{
    if (state == StateNotConnected)
        return;
    switch (code) {
    case SM_LOGIN:
        if (state == StateConnecting)
            OnLoginReply(message);
        break;
    case SM_GET_PEER_ADDRESS: OnPeerAddress(message); break;
    case SM_ADD_USER: OnAddUserReply(message); break;
    case SM_GET_USER_STATUS: OnUserStatus(message); break;
    case SM_SAY_CHATROOM: {
        RoomUserTextReply reply;
        reply.Read(message);
        if (!IsIgnored(reply.user))
            emit RoomChat(reply.room, reply.user, reply.text);
        break;
    }
    case SM_JOIN_ROOM: OnJoinRoom(message); break;
    case SM_LEAVE_ROOM: OnLeaveRoom(message); break;
    case SM_USER_JOINED_ROOM: OnUserJoinedRoom(message); break;
    case SM_USER_LEFT_ROOM: OnUserLeftRoom(message); break;
    case SM_CONNECT_TO_PEER: OnConnectToPeer(message); break;
    case SM_MESSAGE_USER: OnPrivateMessage(message); break;
    case SM_FILE_SEARCH: {
        FileSearchReply reply;
        reply.Read(message);
        emit DirectFileSearch(reply.user, reply.token, reply.text);
        break;
    }
    case SM_GET_USER_STATS: {
        UserStatsReply reply;
        reply.Read(message);
        SetUserStats(User(reply.user), reply.stats);
        emit ReceivedUserStats(reply.user, reply.stats);
        break;
    }
    case SM_ROOM_LIST: OnRoomList(message); break;
    case SM_ADMIN_MESSAGE: emit AdminMessage(ReadValue<QString>(message)); break;
    case SM_PRIVILEGED_LIST: OnPrivilegedList(message); break;
    case SM_SET_PARENT_MIN_SPEED: emit DNetParentMinSpeed(ReadValue<int32_t>(message)); break;
    case SM_SET_PARENT_SPEED_CONNECTION_RATIO: emit DNetParentSpeedConnectionRatio(ReadValue<int32_t>(message)); break;
    case SM_GET_OWN_PRIVILEGES_STATUS: OnOwnPrivilegesStatus(message); break;
    case SM_DNET_MESSAGE: emit DNetMessage(message); break;
    case SM_POSSIBLE_PARENTS: {
        PossibleParentsReply reply;
        reply.Read(message);
        PossibleParentList parents(reply.parents.begin(), reply.parents.end());
        emit DNetPossibleParents(parents);
        break;
    }
    case SM_WISHLIST_WAIT: emit WishListWait(ReadValue<uint32_t>(message)); break;
    case SM_GET_ROOM_TICKER: OnRoomTickers(message); break;
    case SM_ROOM_TICKER_USER_ADDED: OnRoomTickerAdded(message); break;
    case SM_DNET_DELIVERY_REPORT: emit DNetDeliveryReport(ReadValue<int32_t>(message)); break;
    case SM_DNET_RESET: emit DNetReset(); break;
    case SM_ROOM_MEMBERS: OnRoomLinkUsers(message, "room_members"); break;
    case SM_ADD_ROOM_MEMBER: OnAddRoomLinkUser(message, "room_members"); break;
    case SM_REMOVE_ROOM_MEMBER: OnRemoveRoomLinkUser(message, "room_members"); break;
    case SM_ADD_ROOM_MEMBERSHIP: OnAddRoomMembership(message); break;
    case SM_REMOVE_ROOM_MEMBERSHIP: OnRemoveRoomMembership(message); break;
    case SM_ENABLE_PRIVATE_ROOM_ADD: {
        const bool enabled = ReadValue<bool>(message);
        SetSetting("accept_private_room_add", enabled ? "yes" : "no");
        emit PrivateRoomAddEnabled(enabled);
        break;
    }
    case SM_ADD_ROOM_OPERATOR: OnAddRoomLinkUser(message, "room_operators"); break;
    case SM_REMOVE_ROOM_OPERATOR: OnRemoveRoomLinkUser(message, "room_operators"); break;
    case SM_ADD_ROOM_OPERATORSHIP: Room(ReadValue<QString>(message)).NewItem("is_operator"); break;
    case SM_REMOVE_ROOM_OPERATORSHIP: Room(ReadValue<QString>(message)).Disconnect("is_operator"); break;
    case SM_ROOM_OPERATORS: OnRoomLinkUsers(message, "room_operators"); break;
    case SM_SEARCH_CORRELATIONS: OnSearchCorrelations(message); break;
    case SE_CANT_CONNECT_TO_PEER: emit IndirectPeerConnectionFailure(ReadValue<uint32_t>(message)); break;
    default: break;
    }
}

void Server::OnLoginReply(MemStream& message)
{
    LoginReply reply;
    reply.Read(message);
    if (!reply.success) {
        // Leave the connecting state before telling anyone: a listener that
        // runs an event loop (a message box) would otherwise see the server's
        // close as a second failure.
        state = StateNotConnected;
        socket.disconnectFromHost();
        emit ConnectionFailed(reply.reason);
        return;
    }
    if (reply.hasPrivileges)
        SetSetting("is_supporter", "yes");
    else
        ClearSetting("is_supporter");
    state = StateLoggedIn;
    emit Connected();
    OnConnectedToServer();
}

void Server::OnAddUserReply(MemStream& message)
{
    AddUserReply reply;
    reply.Read(message);
    emit AddUserResponse(reply.user, reply.exists);
    if (!reply.exists)
        return;
    ItemPtr user = User(reply.user);
    if (reply.status > 0) {
        user.NewItem("is_online");
        Set(user, "country_code", reply.countryCode);
    } else {
        user.Disconnect("is_online");
    }
    Set(user, "last_online_status_change", Now());
}

void Server::OnPrivateMessage(MemStream& message)
{
    PrivateMessageReply reply;
    reply.Read(message);
    if (!IsIgnored(reply.user))
        emit PrivateChat(reply.user, reply.message, time_t(reply.timeStamp), reply.flag);
    // Acknowledged even when ignored, or the server would deliver it again.
    Send(SM_MESSAGE_ACKED, uint32_t(reply.messageId));
    // The server announces granted privileges in a private message.
    if (reply.message.contains("privileges"))
        GetOwnPrivilegesStatus();
}

void Server::OnOwnPrivilegesStatus(MemStream& message)
{
    const int32_t secondsLeft = ReadValue<int32_t>(message);
    SetSetting("privileges_time_left", QString::number(secondsLeft));
    if (secondsLeft > 0)
        SetSetting("is_supporter", "yes");
    emit ReceivedOwnPrivilegesStatus(secondsLeft);
}

void Server::OnRoomTickers(MemStream& message)
{
    RoomTickersReply reply;
    reply.Read(message);
    ItemPtr room = Room(reply.room);
    // The replaced tickers go for good: left alive, each would stay reachable
    // through its user for the rest of the run.
    room.GetItems("room_ticker").Remove();
    room.GetItems("ticker_order_counter").Remove();
    for (const auto& [user, text] : reply.tickers)
        AddRoomTicker(room, user, text);
}

void Server::OnRoomTickerAdded(MemStream& message)
{
    RoomUserTextReply reply;
    reply.Read(message);
    ItemPtr room = Room(reply.room);
    d.GetItem(room, User(reply.user), "room_ticker").Remove();
    AddRoomTicker(room, reply.user, reply.text);
}

void Server::AddRoomTicker(ItemPtr room, const QString& user, const QString& text)
{
    ItemPtr ticker = room.NewItem("room_ticker");
    ticker += User(user);
    Set(ticker, "room_ticker_text", text);
    Set(ticker, "room_ticker_order", Value(tickerOrderCounter++));
}

void Server::OnAddRoomMembership(MemStream& message)
{
    const QString name = ReadValue<QString>(message);
    ItemPtr room = Room(name);
    GiveGlobalFlag(room, "is_private");
    GiveGlobalFlag(room, "is_member");
    EnterRoom(name, false);
}

void Server::OnSearchCorrelations(MemStream& message)
{
    SearchCorrelationsReply reply;
    reply.Read(message);
    ItemPtr text = d.GetType("search_request_text")->GetItem(reply.term);
    text.GetItems("search_correlation").Remove();
    for (const auto& [related, rank] : reply.correlations) {
        ItemPtr correlation = text.NewItem("search_correlation");
        Set(correlation, "correlation_text", related);
        Set(correlation, "correlation_rank", Value(rank));
    }
    emit SearchCorrelations(reply.term);
}
