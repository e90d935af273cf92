#ifndef PEER_UNSENTMESSAGES_H
#define PEER_UNSENTMESSAGES_H

#include "peer/LiveObjects.h"
#include "store/Events.h"
#include "store/ItemPtr.h"
#include "wire/MemStream.h"

#include <QDateTime>

#include <cstdint>
#include <vector>

// The messages waiting for a messaging connection to their user, kept as
// "unsent_message" items (with "send_order" and "send_time") that name a
// copy of the message. The peer network's types must be declared.
class UnsentMessages : public DataHandler
{
public:
    // A hostile network could make this client queue replies to users it
    // cannot reach; beyond this many bytes waiting, new messages are refused.
    static constexpr uint64_t MaxQueuedBytes = 64 * 1024 * 1024;

    UnsentMessages();

    // Keeps a copy of the message's unread bytes for the user; false, keeping
    // nothing, when the queue is full.
    bool Queue(ItemPtr user, const MemStream& message, const QDateTime& now);
    // The user's messages in the order they were queued, taken out of the queue.
    std::vector<MemStream> Take(ItemPtr user);
    // Drops the messages queued maxAgeMs or more before now.
    void Expire(const QDateTime& now, qint64 maxAgeMs);

    uint64_t QueuedBytes() const { return queuedBytes; }

private:
    void OnItemRemoved(ItemPtr item);

    LiveObjects<MemStream, true> copies;
    uint64_t counter = 0;
    uint64_t queuedBytes = 0;
};

#endif
