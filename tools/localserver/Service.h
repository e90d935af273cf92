#ifndef LOCALSERVER_SERVICE_H
#define LOCALSERVER_SERVICE_H

#include "ClientSession.h"
#include "ServerContext.h"

#include <vector>

namespace localserver {

// Handles one group of the messages that logged-in clients send.
class Service
{
public:
    explicit Service(ServerContext& context)
        : m_context(context)
    {
    }
    virtual ~Service() = default;

    virtual std::vector<ServerMessageCode> Codes() const = 0;
    // False when the body cannot be read: the session is then closed.
    virtual bool Handle(ClientSession& session, quint32 code, MemStream& body) = 0;

    // Right after a login was accepted, and when a logged-in session ends.
    virtual void OnLogin(ClientSession&) { }
    virtual void OnLogout(ClientSession&) { }

protected:
    ServerContext& m_context;
};

} // namespace localserver

#endif
