#ifndef LOCALSERVER_PRESENCESERVICE_H
#define LOCALSERVER_PRESENCESERVICE_H

#include "Service.h"

namespace localserver {

// Who is online and how to reach them: listening ports, addresses, status,
// watching other users, statistics and privileges.
class PresenceService : public Service
{
public:
    using Service::Service;

    std::vector<ServerMessageCode> Codes() const override;
    bool Handle(ClientSession& session, quint32 code, MemStream& body) override;
    void OnLogin(ClientSession& session) override;
    void OnLogout(ClientSession& session) override;

private:
    bool SetWaitPort(ClientSession& session, MemStream& body);
    bool SendPeerAddress(ClientSession& session, MemStream& body);
    bool Watch(ClientSession& session, MemStream& body);
    bool SendUserStatus(ClientSession& session, MemStream& body);
    bool SetStatus(ClientSession& session, MemStream& body);
    bool SendUserStats(ClientSession& session, MemStream& body);
    bool GivePrivileges(ClientSession& session, MemStream& body);

    MemStream StatusMessage(const QString& user) const;
    void NotifyWatchers(const QString& user);
    void SendOwnPrivileges(const QString& user);
};

} // namespace localserver

#endif
