#include "PeerBroker.h"

namespace localserver {

namespace {

constexpr quint32 ObfuscationRotated = 1;

}

std::vector<ServerMessageCode> PeerBroker::Codes() const
{
    return {SM_CONNECT_TO_PEER, SE_CANT_CONNECT_TO_PEER};
}

bool PeerBroker::Handle(ClientSession& session, quint32 code, MemStream& body)
{
    return code == SM_CONNECT_TO_PEER ? RequestConnection(session, body) : ReportFailure(body);
}

bool PeerBroker::RequestConnection(ClientSession& session, MemStream& body)
{
    quint32 token = 0;
    QString name;
    QString type;
    if (!body.Read(token) || !body.Read(name) || !body.Read(type))
        return false;
    ClientSession* peer = m_context.Online(name);
    if (!peer) {
        session.Send(Failure(token));
        return true;
    }
    const PeerPorts& ports = session.User().ports;
    MemStream request = NewMessage(SM_CONNECT_TO_PEER);
    request.Write(session.Name());
    request.Write(type);
    request.Write(uint32_t(session.Ipv4Address()));
    request.Write(int32_t(ports.port));
    request.Write(uint32_t(token));
    request.Write(m_context.privileges.IsPrivileged(session.Name()));
    request.Write(int32_t(ports.obfuscationType));
    if (ports.obfuscationType == ObfuscationRotated)
        request.Write(int32_t(ports.obfuscatedPort));
    peer->Send(request);
    return true;
}

bool PeerBroker::ReportFailure(MemStream& body)
{
    quint32 token = 0;
    QString name;
    if (!body.Read(token) || !body.Read(name))
        return false;
    if (ClientSession* requester = m_context.Online(name))
        requester->Send(Failure(token));
    return true;
}

MemStream PeerBroker::Failure(quint32 token)
{
    return NewMessage(SE_CANT_CONNECT_TO_PEER, uint32_t(token));
}

} // namespace localserver
