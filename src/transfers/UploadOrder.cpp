#include "transfers/UploadOrder.h"

#include "store/Data.h"
#include "transfers/TransferUsers.h"

#include <list>

UploadOrder::UploadOrder()
{
    d.GetType("upload_entry")
        ->itemRemoved.Add(
            AddDataHandler(new EventHandler<UploadOrder, ItemPtr>(this, &UploadOrder::OnUploadEntryRemoved)));
}

bool UploadOrder::UploadEntrySortCompare(ItemPtr a, ItemPtr b)
{
    const ItemPtr userA = a.GetItem("user");
    const ItemPtr userB = b.GetItem("user");
    if (userA != userB) {
        const int priorityA = GetUserGroupDownloadPriority(userA.AsString());
        const int priorityB = GetUserGroupDownloadPriority(userB.AsString());
        if (priorityA != priorityB)
            return priorityA > priorityB;
        const bool privilegedA = userA.IsConnected("is_privileged");
        const bool privilegedB = userB.IsConnected("is_privileged");
        if (privilegedA != privilegedB)
            return privilegedA;
    }
    return a.GetItem("upload_order").AsInt() < b.GetItem("upload_order").AsInt();
}

int UploadOrder::Position(ItemPtr entry)
{
    return entry.GetItem("effective_upload_order").AsInt();
}

void UploadOrder::SetPosition(ItemPtr entry, int position)
{
    entry += d.GetType("effective_upload_order")->GetItem(Value(position));
}

void UploadOrder::OrderNewUpload(ItemPtr entry)
{
    if (!last) {
        const std::list<ItemPtr> ordered = g("upload_entry").SortNumericBy("effective_upload_order", true);
        if (ordered.empty()) {
            SetPosition(entry, 1);
            last = entry;
            return;
        }
        last = ordered.back();
    }
    if (UploadEntrySortCompare(last, entry)) {
        SetPosition(entry, Position(last) + 1);
        last = entry;
        return;
    }
    std::list<ItemPtr> ordered = g("upload_entry").SortNumericBy("effective_upload_order", true);
    ordered.remove(entry);
    auto place = ordered.begin();
    while (place != ordered.end() && !UploadEntrySortCompare(entry, *place))
        ++place;
    ordered.insert(place, entry);
    int position = 0;
    for (ItemPtr member : ordered)
        SetPosition(member, ++position);
    last = ordered.back();
}

void UploadOrder::OnUploadEntryRemoved(ItemPtr entry)
{
    if (entry == last)
        last = ItemPtr();
}
