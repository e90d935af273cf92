#ifndef LOCALSERVER_SERVERCONTEXT_H
#define LOCALSERVER_SERVERCONTEXT_H

#include "Accounts.h"
#include "PrivateMessages.h"
#include "Privileges.h"
#include "Rooms.h"
#include "ServerLog.h"
#include "ServerOptions.h"

#include "server/ServerMessageCode.h"
#include "wire/FrameWriter.h"
#include "wire/MemStream.h"

#include <map>
#include <vector>

namespace localserver {

class ClientSession;

// A fresh outgoing message: the code, then each field in order.
template <class... Fields>
MemStream NewMessage(ServerMessageCode code, const Fields&... fields)
{
    return BuildMessage(uint32_t(code), fields...);
}

// What the services share: the options, the log, the stores and the directory
// of logged-in users.
class ServerContext
{
public:
    explicit ServerContext(const ServerOptions& options);

    const ServerOptions options;
    ServerLog log;
    Accounts accounts;
    Privileges privileges;
    Rooms rooms;
    PrivateMessages privateMessages;

    // The open session of a logged-in user, or null.
    ClientSession* Online(const QString& name) const;
    // The session registered under the name, open or closing; null if none.
    ClientSession* Registered(const QString& name) const;
    // Every open logged-in session, in login order (a copy: sessions may close
    // while the caller walks it).
    std::vector<ClientSession*> OnlineSessions() const;
    qint32 StatusOf(const QString& name) const;

    void Register(ClientSession& session);
    void Unregister(ClientSession& session);

private:
    std::map<QString, ClientSession*> m_online;
};

} // namespace localserver

#endif
