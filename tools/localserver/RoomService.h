#ifndef LOCALSERVER_ROOMSERVICE_H
#define LOCALSERVER_ROOMSERVICE_H

#include "Service.h"

namespace localserver {

// Chat rooms: the room list, joining and leaving, room chat and tickers, and
// private rooms with their owner, members and operators.
class RoomService : public Service
{
public:
    using Service::Service;

    std::vector<ServerMessageCode> Codes() const override;
    bool Handle(ClientSession& session, quint32 code, MemStream& body) override;
    void OnLogin(ClientSession& session) override;
    void OnLogout(ClientSession& session) override;

private:
    bool Say(ClientSession& session, MemStream& body);
    bool Join(ClientSession& session, MemStream& body);
    bool Leave(ClientSession& session, MemStream& body);
    bool SetTicker(ClientSession& session, MemStream& body);
    bool ChangeMembership(ClientSession& session, quint32 code, MemStream& body);
    bool GiveUpMembership(ClientSession& session, MemStream& body);
    bool GiveUpRoom(ClientSession& session, MemStream& body);
    bool EnablePrivateRoomAdd(ClientSession& session, MemStream& body);

    void AddMember(ClientSession& actor, Room& room, const QString& user);
    void RemoveMember(ClientSession& actor, Room& room, const QString& user);
    void AddOperator(ClientSession& actor, Room& room, const QString& user);
    void RemoveOperator(ClientSession& actor, Room& room, const QString& user);
    // Takes the user out of a private room's members (and operators).
    void Expel(Room& room, const QString& user);
    void TakeOperatorship(Room& room, const QString& user);
    // Tells the room's users of the user's new standing (toRoom) and the user
    // of its own (toUser).
    void Announce(const Room& room, const QString& user, ServerMessageCode toRoom, ServerMessageCode toUser);

    void SendJoinDetails(ClientSession& session, const Room& room);
    void SendRoomList(ClientSession& session);
    // Takes the user out of the room's users; tellUser: the user's client
    // also learns that it left. Public rooms end with their last user.
    void RemovePresent(Room& room, const QString& user, bool tellUser);
    void SendToPresent(const Room& room, const MemStream& message);
    void SendTo(const QString& user, const MemStream& message);
    static MemStream RoomAndUser(ServerMessageCode code, const QString& room, const QString& user);
    static MemStream RoomOnly(ServerMessageCode code, const QString& room);
};

} // namespace localserver

#endif
