#include "peer/UnsentMessages.h"

#include "store/Data.h"

UnsentMessages::UnsentMessages()
{
    // Whoever removes an item, its copy goes with it.
    d.GetType("unsent_message")
        ->itemRemoved.Add(
            AddDataHandler(new EventHandler<UnsentMessages, ItemPtr>(this, &UnsentMessages::OnItemRemoved)));
}

bool UnsentMessages::Queue(ItemPtr user, const MemStream& message, const QDateTime& now)
{
    const uint64_t length = message.GetPendingReadLength();
    if (queuedBytes + length > MaxQueuedBytes)
        return false;
    auto* copy = new MemStream();
    copy->WriteBuffer(message.GetReadBuffer(), size_t(length));
    ItemPtr item = d.GetType("unsent_message")->GetItem(copies.Add(copy));
    queuedBytes += length;
    item += user;
    item += d.GetType("send_order")->GetItem(Value(static_cast<unsigned long long>(counter++)));
    item += d.GetType("send_time")->GetItem(now.toString(Qt::TextDate));
    return true;
}

std::vector<MemStream> UnsentMessages::Take(ItemPtr user)
{
    std::vector<MemStream> messages;
    const ItemSet items = user.GetItems("unsent_message");
    for (ItemPtr item : items.SortNumericBy("send_order", true)) {
        if (MemStream* copy = copies.Find(item))
            messages.push_back(*copy);
        item.Remove();
    }
    return messages;
}

void UnsentMessages::Expire(const QDateTime& now, qint64 maxAgeMs)
{
    for (ItemPtr item : g("unsent_message")) {
        const QDateTime queued = QDateTime::fromString(item.GetItem("send_time").AsString(), Qt::TextDate);
        if (!queued.isValid() || queued.msecsTo(now) >= maxAgeMs)
            item.Remove();
    }
}

void UnsentMessages::OnItemRemoved(ItemPtr item)
{
    if (MemStream* copy = copies.Find(item)) {
        queuedBytes -= copy->GetPendingReadLength();
        copies.Remove(item.GetValue());
    }
}
