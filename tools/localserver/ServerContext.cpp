#include "ServerContext.h"

#include "ClientSession.h"

#include <algorithm>

namespace localserver {

ServerContext::ServerContext(const ServerOptions& serverOptions)
    : options(serverOptions)
    , log(options.quiet)
{
    for (auto it = options.privileges.constBegin(); it != options.privileges.constEnd(); ++it)
        privileges.Grant(it.key(), it.value());
}

ClientSession* ServerContext::Online(const QString& name) const
{
    ClientSession* session = Registered(name);
    return session && !session->IsClosed() ? session : nullptr;
}

ClientSession* ServerContext::Registered(const QString& name) const
{
    const auto session = m_online.find(name);
    return session == m_online.end() ? nullptr : session->second;
}

std::vector<ClientSession*> ServerContext::OnlineSessions() const
{
    std::vector<ClientSession*> sessions;
    for (const auto& entry : m_online)
        if (!entry.second->IsClosed())
            sessions.push_back(entry.second);
    std::sort(sessions.begin(), sessions.end(),
              [](const ClientSession* a, const ClientSession* b) { return a->Serial() < b->Serial(); });
    return sessions;
}

qint32 ServerContext::StatusOf(const QString& name) const
{
    const ClientSession* session = Online(name);
    return session ? session->User().status : Offline;
}

void ServerContext::Register(ClientSession& session)
{
    m_online[session.Name()] = &session;
}

void ServerContext::Unregister(ClientSession& session)
{
    const auto entry = m_online.find(session.Name());
    if (entry != m_online.end() && entry->second == &session)
        m_online.erase(entry);
}

} // namespace localserver
