#include "RoomService.h"

namespace localserver {

std::vector<ServerMessageCode> RoomService::Codes() const
{
    return {SM_SAY_CHATROOM,       SM_JOIN_ROOM,
            SM_LEAVE_ROOM,         SM_ROOM_LIST,
            SM_SET_TICKER,         SM_ADD_ROOM_MEMBER,
            SM_REMOVE_ROOM_MEMBER, SM_REMOVE_OWN_ROOM_MEMBERSHIP,
            SM_GIVE_UP_ROOM,       SM_ENABLE_PRIVATE_ROOM_ADD,
            SM_ADD_ROOM_OPERATOR,  SM_REMOVE_ROOM_OPERATOR};
}

bool RoomService::Handle(ClientSession& session, quint32 code, MemStream& body)
{
    switch (code) {
    case SM_SAY_CHATROOM: return Say(session, body);
    case SM_JOIN_ROOM: return Join(session, body);
    case SM_LEAVE_ROOM: return Leave(session, body);
    case SM_ROOM_LIST: SendRoomList(session); return true;
    case SM_SET_TICKER: return SetTicker(session, body);
    case SM_ADD_ROOM_MEMBER:
    case SM_REMOVE_ROOM_MEMBER:
    case SM_ADD_ROOM_OPERATOR:
    case SM_REMOVE_ROOM_OPERATOR: return ChangeMembership(session, code, body);
    case SM_REMOVE_OWN_ROOM_MEMBERSHIP: return GiveUpMembership(session, body);
    case SM_GIVE_UP_ROOM: return GiveUpRoom(session, body);
    case SM_ENABLE_PRIVATE_ROOM_ADD: return EnablePrivateRoomAdd(session, body);
    }
    return false;
}

void RoomService::OnLogin(ClientSession& session)
{
    SendRoomList(session);
}

void RoomService::OnLogout(ClientSession& session)
{
    const QSet<QString> rooms = session.User().rooms;
    for (const QString& name : rooms)
        if (Room* room = m_context.rooms.Find(name))
            RemovePresent(*room, session.Name(), false);
}

bool RoomService::Say(ClientSession& session, MemStream& body)
{
    QString name;
    QString text;
    if (!body.Read(name) || !body.Read(text))
        return false;
    const Room* room = m_context.rooms.Find(name);
    if (!room || !room->IsPresent(session.Name())) {
        session.Note("speaks in %1 without being in it", name);
        return true;
    }
    SendToPresent(*room, NewMessage(SM_SAY_CHATROOM, name, session.Name(), text));
    return true;
}

bool RoomService::Join(ClientSession& session, MemStream& body)
{
    QString name;
    if (!body.Read(name))
        return false;
    quint32 isPrivate = 0;
    body.Read(isPrivate); // absent in older clients' joins
    if (!Rooms::IsValidName(name)) {
        session.Note("asks for a room with an invalid name");
        return true;
    }
    const QString& user = session.Name();
    Room* room = m_context.rooms.Find(name);
    const bool created = !room;
    if (created)
        room = &m_context.rooms.Create(name, isPrivate == 1, user);
    if (!room->MayEnter(user)) {
        session.Note("is no member of private room %1", name);
        return true;
    }
    if (!room->IsPresent(user)) {
        // Free upload slots are not known to the server; no country code.
        SendToPresent(*room,
                      NewMessage(SM_USER_JOINED_ROOM, name, user, int32_t(session.User().status), session.User().stats,
                                 int32_t(0), QString()));
        room->present.append(user);
        session.User().rooms.insert(name);
    }
    SendJoinDetails(session, *room);
    if (created && room->isPrivate)
        SendRoomList(session); // tells the owner that it owns the room
    return true;
}

bool RoomService::Leave(ClientSession& session, MemStream& body)
{
    QString name;
    if (!body.Read(name))
        return false;
    Room* room = m_context.rooms.Find(name);
    if (room && room->IsPresent(session.Name()))
        RemovePresent(*room, session.Name(), true);
    return true;
}

bool RoomService::SetTicker(ClientSession& session, MemStream& body)
{
    QString name;
    QString text;
    if (!body.Read(name) || !body.Read(text))
        return false;
    Room* room = m_context.rooms.Find(name);
    if (!room || !room->IsPresent(session.Name())) {
        session.Note("sets a ticker in %1 without being in it", name);
        return true;
    }
    room->SetTicker(session.Name(), text);
    SendToPresent(*room, NewMessage(SM_ROOM_TICKER_USER_ADDED, name, session.Name(), text));
    return true;
}

bool RoomService::ChangeMembership(ClientSession& session, quint32 code, MemStream& body)
{
    QString name;
    QString user;
    if (!body.Read(name) || !body.Read(user))
        return false;
    Room* room = m_context.rooms.Find(name);
    if (!room || !room->isPrivate) {
        session.Note("changes members of %1, no private room", name);
        return true;
    }
    switch (code) {
    case SM_ADD_ROOM_MEMBER: AddMember(session, *room, user); break;
    case SM_REMOVE_ROOM_MEMBER: RemoveMember(session, *room, user); break;
    case SM_ADD_ROOM_OPERATOR: AddOperator(session, *room, user); break;
    case SM_REMOVE_ROOM_OPERATOR: RemoveOperator(session, *room, user); break;
    }
    return true;
}

void RoomService::AddMember(ClientSession& actor, Room& room, const QString& user)
{
    const QString& by = actor.Name();
    const ClientSession* target = m_context.Online(user);
    const bool allowed = by == room.owner || room.IsOperator(by);
    if (!allowed || !m_context.accounts.Exists(user) || room.MayEnter(user)
        || (target && !target->User().acceptsPrivateRoomAdd)) {
        actor.Note("cannot add %1 to %2", user, room.name);
        return;
    }
    room.members.append(user);
    Announce(room, user, SM_ADD_ROOM_MEMBER, SM_ADD_ROOM_MEMBERSHIP);
}

void RoomService::RemoveMember(ClientSession& actor, Room& room, const QString& user)
{
    const QString& by = actor.Name();
    const bool allowed = by == room.owner || (room.IsOperator(by) && !room.IsOperator(user));
    if (!allowed || !room.members.contains(user)) {
        actor.Note("cannot remove %1 from %2", user, room.name);
        return;
    }
    Expel(room, user);
}

void RoomService::AddOperator(ClientSession& actor, Room& room, const QString& user)
{
    if (actor.Name() != room.owner || !room.members.contains(user) || room.IsOperator(user)) {
        actor.Note("cannot make %1 operator of %2", user, room.name);
        return;
    }
    room.operators.append(user);
    Announce(room, user, SM_ADD_ROOM_OPERATOR, SM_ADD_ROOM_OPERATORSHIP);
}

void RoomService::RemoveOperator(ClientSession& actor, Room& room, const QString& user)
{
    if (actor.Name() != room.owner || !room.IsOperator(user)) {
        actor.Note("cannot take operator of %1 from %2", room.name, user);
        return;
    }
    TakeOperatorship(room, user);
}

bool RoomService::GiveUpMembership(ClientSession& session, MemStream& body)
{
    QString name;
    if (!body.Read(name))
        return false;
    Room* room = m_context.rooms.Find(name);
    if (room && room->members.contains(session.Name()))
        Expel(*room, session.Name());
    return true;
}

void RoomService::Expel(Room& room, const QString& user)
{
    if (room.IsOperator(user))
        TakeOperatorship(room, user);
    room.members.removeAll(user);
    if (room.IsPresent(user))
        RemovePresent(room, user, true);
    Announce(room, user, SM_REMOVE_ROOM_MEMBER, SM_REMOVE_ROOM_MEMBERSHIP);
}

void RoomService::TakeOperatorship(Room& room, const QString& user)
{
    room.operators.removeAll(user);
    Announce(room, user, SM_REMOVE_ROOM_OPERATOR, SM_REMOVE_ROOM_OPERATORSHIP);
}

void RoomService::Announce(const Room& room, const QString& user, ServerMessageCode toRoom, ServerMessageCode toUser)
{
    SendToPresent(room, RoomAndUser(toRoom, room.name, user));
    SendTo(user, RoomOnly(toUser, room.name));
}

bool RoomService::GiveUpRoom(ClientSession& session, MemStream& body)
{
    QString name;
    if (!body.Read(name))
        return false;
    Room* room = m_context.rooms.Find(name);
    if (!room || !room->isPrivate || room->owner != session.Name()) {
        session.Note("cannot give up %1", name);
        return true;
    }
    const QStringList present = room->present;
    for (const QString& user : present)
        RemovePresent(*room, user, true);
    const MemStream ended = RoomOnly(SM_REMOVE_ROOM_MEMBERSHIP, name);
    SendTo(room->owner, ended);
    for (const QString& member : room->members)
        SendTo(member, ended);
    m_context.rooms.Remove(name);
    return true;
}

bool RoomService::EnablePrivateRoomAdd(ClientSession& session, MemStream& body)
{
    bool enabled = false;
    if (!body.Read(enabled))
        return false;
    session.User().acceptsPrivateRoomAdd = enabled;
    session.Send(NewMessage(SM_ENABLE_PRIVATE_ROOM_ADD, enabled));
    return true;
}

void RoomService::SendJoinDetails(ClientSession& session, const Room& room)
{
    std::vector<const ClientSession*> users;
    for (const QString& name : room.present)
        if (const ClientSession* user = m_context.Online(name))
            users.push_back(user);

    MemStream join = NewMessage(SM_JOIN_ROOM);
    join.Write(room.name);
    join.WriteCount(users.size());
    for (const ClientSession* user : users)
        join.Write(user->Name());
    join.WriteCount(users.size());
    for (const ClientSession* user : users)
        join.Write(int32_t(user->User().status));
    join.WriteCount(users.size());
    for (const ClientSession* user : users)
        join.Write(user->User().stats);
    join.WriteCount(users.size());
    for (size_t i = 0; i < users.size(); ++i)
        join.Write(int32_t(0)); // free upload slots
    join.WriteCount(users.size());
    for (size_t i = 0; i < users.size(); ++i)
        join.Write(QString()); // country codes
    if (room.isPrivate) {
        join.Write(room.owner);
        join.Write(std::vector<QString>(room.operators.begin(), room.operators.end()));
    }
    session.Send(join);

    MemStream tickers = NewMessage(SM_GET_ROOM_TICKER);
    tickers.Write(room.name);
    tickers.WriteCount(room.tickers.size());
    for (const auto& ticker : room.tickers) {
        tickers.Write(ticker.first);
        tickers.Write(ticker.second);
    }
    session.Send(tickers);

    if (room.isPrivate) {
        session.Send(
            NewMessage(SM_ROOM_MEMBERS, room.name, std::vector<QString>(room.members.begin(), room.members.end())));
        session.Send(NewMessage(SM_ROOM_OPERATORS, room.name,
                                std::vector<QString>(room.operators.begin(), room.operators.end())));
    }
}

void RoomService::SendRoomList(ClientSession& session)
{
    const QString& user = session.Name();
    std::vector<QString> publicNames, ownedNames, memberNames, operatorNames;
    std::vector<int32_t> publicCounts, ownedCounts, memberCounts;
    for (const Room* room : m_context.rooms.All()) {
        const int32_t count = int32_t(room->present.size());
        if (!room->isPrivate) {
            publicNames.push_back(room->name);
            publicCounts.push_back(count);
        } else if (room->owner == user) {
            ownedNames.push_back(room->name);
            ownedCounts.push_back(count);
        } else if (room->members.contains(user)) {
            memberNames.push_back(room->name);
            memberCounts.push_back(count);
            if (room->IsOperator(user))
                operatorNames.push_back(room->name);
        }
    }
    session.Send(NewMessage(SM_ROOM_LIST, publicNames, publicCounts, ownedNames, ownedCounts, memberNames, memberCounts,
                            operatorNames));
}

void RoomService::RemovePresent(Room& room, const QString& user, bool tellUser)
{
    room.present.removeAll(user);
    if (ClientSession* session = m_context.Online(user))
        session->User().rooms.remove(room.name);
    if (tellUser)
        SendTo(user, RoomOnly(SM_LEAVE_ROOM, room.name));
    SendToPresent(room, RoomAndUser(SM_USER_LEFT_ROOM, room.name, user));
    if (!room.isPrivate && room.present.isEmpty()) {
        const QString name = room.name; // the room goes with its name
        m_context.rooms.Remove(name);
    }
}

void RoomService::SendToPresent(const Room& room, const MemStream& message)
{
    for (const QString& user : room.present)
        SendTo(user, message);
}

void RoomService::SendTo(const QString& user, const MemStream& message)
{
    if (ClientSession* session = m_context.Online(user))
        session->Send(message);
}

MemStream RoomService::RoomAndUser(ServerMessageCode code, const QString& room, const QString& user)
{
    return NewMessage(code, room, user);
}

MemStream RoomService::RoomOnly(ServerMessageCode code, const QString& room)
{
    return NewMessage(code, room);
}

} // namespace localserver
