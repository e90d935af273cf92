#ifndef LOCALSERVER_TREESERVICE_H
#define LOCALSERVER_TREESERVICE_H

#include "Service.h"

namespace localserver {

// The distributed search tree: tells every client the parameters by which it
// decides whether it can take children (and the upload speed it decides
// with, until it reports its own), records where each client says it stands,
// and offers possible parents to the clients that have none.
class TreeService : public Service
{
public:
    static constexpr int MaxPossibleParents = 10;

    using Service::Service;

    std::vector<ServerMessageCode> Codes() const override;
    bool Handle(ClientSession& session, quint32 code, MemStream& body) override;
    void OnLogin(ClientSession& session) override;

private:
    void OfferParents(ClientSession& session);
    bool IsPossibleParent(const ClientSession& candidate, const ClientSession& child) const;
};

} // namespace localserver

#endif
