#include "ui/UploadClearing.h"

#include "app/Settings.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "transfers/TransferSchema.h"
#include "transfers/TransferUsers.h"
#include "ui/TransferActions.h"

namespace {

bool IsOldEnough(const QDateTime& time, const QDateTime& now)
{
    return time.isValid() && time.msecsTo(now) >= UploadClearing::AfterMs;
}

} // namespace

bool UploadClearing::IsDue(ItemPtr entry, const QDateTime& now)
{
    if (entry.GetItem("upload_entry_status").AsString() == TransferStatus::Queued) {
        const ItemPtr user = entry.GetItem("user");
        if (IsUserOnline(user) || !IsOldEnough(ReadDate(user, "last_online_status_change"), now))
            return false;
    }
    QDateTime latest = ReadDate(entry, "last_status_change_time");
    const QDateTime* receipt
        = transferQueueManager ? transferQueueManager->Cells().Time(entry.GetItem("last_receipt_time")) : nullptr;
    if (receipt && receipt->isValid() && (!latest.isValid() || *receipt > latest))
        latest = *receipt;
    return IsOldEnough(latest, now);
}

int UploadClearing::ClearDue(const QDateTime& now)
{
    if (!IsSettingOn("clear_complete_aborted_uploads") || !transferQueueManager)
        return 0;
    std::vector<ItemPtr> due;
    for (ItemPtr entry : g("upload_entry"))
        if (IsDue(entry, now))
            due.push_back(entry);
    int removed = 0;
    ForEachLive(due, [&removed](ItemPtr entry) {
        transferQueueManager->RemoveUpload(entry);
        ++removed;
    });
    return removed;
}
