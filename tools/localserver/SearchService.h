#ifndef LOCALSERVER_SEARCHSERVICE_H
#define LOCALSERVER_SEARCHSERVICE_H

#include "Service.h"

namespace localserver {

// Passes searches on to the users who should answer them: everyone (or only
// the roots of the distributed tree), the users of a room, or one user.
class SearchService : public Service
{
public:
    using Service::Service;

    std::vector<ServerMessageCode> Codes() const override;
    bool Handle(ClientSession& session, quint32 code, MemStream& body) override;
    void OnLogin(ClientSession& session) override;

private:
    bool SearchNetwork(ClientSession& session, MemStream& body);
    bool SearchRoom(ClientSession& session, MemStream& body);
    bool SearchUser(ClientSession& session, MemStream& body);
    bool SendCorrelations(ClientSession& session, MemStream& body);

    static MemStream SearchRequest(const QString& user, quint32 token, const QString& text);
    static MemStream DistributedSearchRequest(const QString& user, quint32 token, const QString& text);
};

} // namespace localserver

#endif
