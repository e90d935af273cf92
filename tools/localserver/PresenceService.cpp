#include "PresenceService.h"

namespace localserver {

std::vector<ServerMessageCode> PresenceService::Codes() const
{
    return {SM_SET_WAIT_PORT,   SM_GET_PEER_ADDRESS, SM_ADD_USER,       SM_REMOVE_USER,
            SM_GET_USER_STATUS, SM_SET_STATUS,       SM_HEARTBEAT,      SM_SHARED_FOLDERS_FILES,
            SM_GET_USER_STATS,  SM_UPLOAD_SPEED,     SM_GIVE_PRIVILEGE, SM_GET_OWN_PRIVILEGES_STATUS,
            SM_BAN_USER};
}

bool PresenceService::Handle(ClientSession& session, quint32 code, MemStream& body)
{
    UserState& user = session.User();
    switch (code) {
    case SM_SET_WAIT_PORT: return SetWaitPort(session, body);
    case SM_GET_PEER_ADDRESS: return SendPeerAddress(session, body);
    case SM_ADD_USER: return Watch(session, body);
    case SM_REMOVE_USER: {
        QString name;
        if (!body.Read(name))
            return false;
        user.watched.remove(name);
        return true;
    }
    case SM_GET_USER_STATUS: return SendUserStatus(session, body);
    case SM_SET_STATUS: return SetStatus(session, body);
    case SM_HEARTBEAT: return true;
    case SM_SHARED_FOLDERS_FILES: return body.Read(user.stats.folderCount) && body.Read(user.stats.fileCount);
    case SM_GET_USER_STATS: return SendUserStats(session, body);
    case SM_GET_OWN_PRIVILEGES_STATUS: SendOwnPrivileges(session.Name()); return true;
    case SM_UPLOAD_SPEED: return body.Read(user.stats.averageSpeed);
    case SM_GIVE_PRIVILEGE: return GivePrivileges(session, body);
    case SM_BAN_USER: {
        QString name;
        if (!body.Read(name))
            return false;
        session.Note("bans %1 from its shares", name);
        return true;
    }
    }
    return false;
}

void PresenceService::OnLogin(ClientSession& session)
{
    NotifyWatchers(session.Name());
    std::vector<QString> names;
    for (const QString& name : m_context.privileges.PrivilegedUsers())
        names.push_back(name);
    session.Send(NewMessage(SM_PRIVILEGED_LIST, names));
}

void PresenceService::OnLogout(ClientSession& session)
{
    NotifyWatchers(session.Name());
}

bool PresenceService::SetWaitPort(ClientSession& session, MemStream& body)
{
    PeerPorts ports;
    if (!body.Read(ports.port))
        return false;
    // Older clients announce only the plain port.
    if (body.Read(ports.obfuscationType) && !body.Read(ports.obfuscatedPort))
        return false;
    session.User().ports = ports;
    return true;
}

bool PresenceService::SendPeerAddress(ClientSession& session, MemStream& body)
{
    QString name;
    if (!body.Read(name))
        return false;
    const ClientSession* peer = m_context.Online(name);
    const PeerPorts ports = peer ? peer->User().ports : PeerPorts();
    session.Send(NewMessage(SM_GET_PEER_ADDRESS, name, uint32_t(peer ? peer->Ipv4Address() : 0), int32_t(ports.port),
                            int32_t(ports.obfuscationType), uint16_t(ports.obfuscatedPort)));
    return true;
}

bool PresenceService::Watch(ClientSession& session, MemStream& body)
{
    QString name;
    if (!body.Read(name))
        return false;
    const bool exists = m_context.accounts.Exists(name);
    MemStream reply = NewMessage(SM_ADD_USER);
    reply.Write(name);
    reply.Write(exists);
    if (exists) {
        session.User().watched.insert(name);
        const ClientSession* peer = m_context.Online(name);
        const qint32 status = m_context.StatusOf(name);
        reply.Write(int32_t(status));
        reply.Write(peer ? peer->User().stats : UserStatsRecord());
        if (status > Offline)
            reply.Write(QString()); // country code: unknown on a local network
    }
    session.Send(reply);
    return true;
}

bool PresenceService::SendUserStatus(ClientSession& session, MemStream& body)
{
    QString name;
    if (!body.Read(name))
        return false;
    session.Send(StatusMessage(name));
    return true;
}

bool PresenceService::SetStatus(ClientSession& session, MemStream& body)
{
    quint32 status = 0;
    if (!body.Read(status))
        return false;
    if (status != Away && status != Online) {
        session.Note("ignores unknown status %1", status);
        return true;
    }
    if (session.User().status == qint32(status))
        return true;
    session.User().status = qint32(status);
    NotifyWatchers(session.Name());
    return true;
}

bool PresenceService::SendUserStats(ClientSession& session, MemStream& body)
{
    QString name;
    if (!body.Read(name))
        return false;
    const ClientSession* peer = m_context.Online(name);
    session.Send(NewMessage(SM_GET_USER_STATS, name, peer ? peer->User().stats : UserStatsRecord()));
    return true;
}

bool PresenceService::GivePrivileges(ClientSession& session, MemStream& body)
{
    QString name;
    quint32 days = 0;
    if (!body.Read(name) || !body.Read(days))
        return false;
    if (!m_context.accounts.Exists(name)
        || !m_context.privileges.Transfer(session.Name(), name, qint64(days) * 24 * 3600)) {
        session.Note("cannot give %1 days of privileges to %2", days, name);
        return true;
    }
    SendOwnPrivileges(session.Name());
    SendOwnPrivileges(name);
    return true;
}

MemStream PresenceService::StatusMessage(const QString& user) const
{
    return NewMessage(SM_GET_USER_STATUS, user, int32_t(m_context.StatusOf(user)),
                      m_context.privileges.IsPrivileged(user));
}

void PresenceService::NotifyWatchers(const QString& user)
{
    const MemStream status = StatusMessage(user);
    for (ClientSession* watcher : m_context.OnlineSessions())
        if (watcher->Name() != user && watcher->User().watched.contains(user))
            watcher->Send(status);
}

void PresenceService::SendOwnPrivileges(const QString& user)
{
    ClientSession* session = m_context.Online(user);
    if (!session)
        return;
    session->Send(NewMessage(SM_GET_OWN_PRIVILEGES_STATUS,
                             int32_t(qMin<qint64>(m_context.privileges.SecondsLeft(user), INT32_MAX))));
}

} // namespace localserver
