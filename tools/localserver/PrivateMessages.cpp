#include "PrivateMessages.h"

#include <QDateTime>

#include <algorithm>

namespace localserver {

const PrivateMessage* PrivateMessages::Add(const QString& to, const QString& from, const QString& text)
{
    std::vector<PrivateMessage>& pending = m_pending[to];
    if (pending.size() >= size_t(MaxPendingPerUser))
        return nullptr;
    PrivateMessage message;
    message.id = m_nextId++;
    message.timestamp = qint32(QDateTime::currentSecsSinceEpoch());
    message.from = from;
    message.text = text;
    pending.push_back(message);
    return &pending.back();
}

bool PrivateMessages::Acknowledge(const QString& to, quint32 id)
{
    const auto user = m_pending.find(to);
    if (user == m_pending.end())
        return false;
    std::vector<PrivateMessage>& pending = *user;
    const auto message
        = std::find_if(pending.begin(), pending.end(), [id](const PrivateMessage& m) { return m.id == id; });
    if (message == pending.end())
        return false;
    pending.erase(message);
    if (pending.empty())
        m_pending.erase(user);
    return true;
}

const std::vector<PrivateMessage>& PrivateMessages::PendingFor(const QString& to) const
{
    static const std::vector<PrivateMessage> none;
    const auto user = m_pending.constFind(to);
    return user == m_pending.constEnd() ? none : *user;
}

} // namespace localserver
