#include "ChatService.h"

namespace localserver {

std::vector<ServerMessageCode> ChatService::Codes() const
{
    return {SM_MESSAGE_USER, SM_MESSAGE_ACKED};
}

bool ChatService::Handle(ClientSession& session, quint32 code, MemStream& body)
{
    return code == SM_MESSAGE_USER ? SendPrivateMessage(session, body) : Acknowledge(session, body);
}

void ChatService::OnLogin(ClientSession& session)
{
    for (const PrivateMessage& message : m_context.privateMessages.PendingFor(session.Name()))
        Deliver(session, message, false);
}

bool ChatService::SendPrivateMessage(ClientSession& session, MemStream& body)
{
    QString to;
    QString text;
    if (!body.Read(to) || !body.Read(text))
        return false;
    if (!m_context.accounts.Exists(to)) {
        session.Note("writes to %1, who has no account", to);
        return true;
    }
    const PrivateMessage* message = m_context.privateMessages.Add(to, session.Name(), text);
    if (!message) {
        session.Note("writes to %1, whose message store is full", to);
        return true;
    }
    if (ClientSession* recipient = m_context.Online(to))
        Deliver(*recipient, *message, true);
    return true;
}

bool ChatService::Acknowledge(ClientSession& session, MemStream& body)
{
    quint32 id = 0;
    if (!body.Read(id))
        return false;
    if (!m_context.privateMessages.Acknowledge(session.Name(), id))
        session.Note("acknowledges unknown message %1", id);
    return true;
}

void ChatService::Deliver(ClientSession& recipient, const PrivateMessage& message, bool live)
{
    recipient.Send(
        NewMessage(SM_MESSAGE_USER, int32_t(message.id), int32_t(message.timestamp), message.from, message.text, live));
}

} // namespace localserver
