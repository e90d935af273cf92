#ifndef LOCALSERVER_PRIVATEMESSAGES_H
#define LOCALSERVER_PRIVATEMESSAGES_H

#include <QHash>
#include <QString>

#include <vector>

namespace localserver {

struct PrivateMessage
{
    quint32 id = 0;
    qint32 timestamp = 0; // seconds since 1970
    QString from;
    QString text;
};

// Private messages not yet acknowledged by their recipient. A message stays
// until the recipient acknowledges it, so one that was sent to an offline
// user, or lost with a dropped session, is delivered again at the next login.
class PrivateMessages
{
public:
    static constexpr int MaxPendingPerUser = 500;

    // Null when the recipient already has MaxPendingPerUser messages waiting.
    const PrivateMessage* Add(const QString& to, const QString& from, const QString& text);
    // Forgets the message; false when the user has no such message.
    bool Acknowledge(const QString& to, quint32 id);
    const std::vector<PrivateMessage>& PendingFor(const QString& to) const;

private:
    quint32 m_nextId = 1;
    QHash<QString, std::vector<PrivateMessage>> m_pending;
};

} // namespace localserver

#endif
