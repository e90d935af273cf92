#ifndef LOCALSERVER_CHATSERVICE_H
#define LOCALSERVER_CHATSERVICE_H

#include "Service.h"

namespace localserver {

// Private messages: delivered at once to online users, kept for offline ones,
// and forgotten when the recipient acknowledges them.
class ChatService : public Service
{
public:
    using Service::Service;

    std::vector<ServerMessageCode> Codes() const override;
    bool Handle(ClientSession& session, quint32 code, MemStream& body) override;
    void OnLogin(ClientSession& session) override;

private:
    bool SendPrivateMessage(ClientSession& session, MemStream& body);
    bool Acknowledge(ClientSession& session, MemStream& body);
    // live: the message is new, not one kept while the user was away
    static void Deliver(ClientSession& recipient, const PrivateMessage& message, bool live);
};

} // namespace localserver

#endif
