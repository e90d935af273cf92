#ifndef LOCALSERVER_PEERBROKER_H
#define LOCALSERVER_PEERBROKER_H

#include "Service.h"

namespace localserver {

// Brokers peer connections: asks a user to connect to the user who cannot
// reach it, and passes the failure back when that does not work either.
class PeerBroker : public Service
{
public:
    using Service::Service;

    std::vector<ServerMessageCode> Codes() const override;
    bool Handle(ClientSession& session, quint32 code, MemStream& body) override;

private:
    bool RequestConnection(ClientSession& session, MemStream& body);
    bool ReportFailure(MemStream& body);
    static MemStream Failure(quint32 token);
};

} // namespace localserver

#endif
