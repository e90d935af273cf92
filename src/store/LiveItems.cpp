#include "store/LiveItems.h"

#include "store/Data.h"

#include <algorithm>

LiveItems::LiveItems(Data* store)
    : data(store)
{
    data->removalLogs.push_back(this);
}

LiveItems::~LiveItems()
{
    auto& logs = data->removalLogs;
    logs.erase(std::find(logs.begin(), logs.end(), this));
}

void LiveItems::Add(Item* item)
{
    if (!removed.empty()) {
        // The call removed the item it returned: the item was there before any handler ran, so no other item
        // can have had its address meanwhile.
        if (std::find(removed.begin(), removed.end(), item) != removed.end())
            item = nullptr;
        Settle();
    }
    items.push_back(item);
    if (indexed && item)
        indexes.emplace(item, items.size() - 1);
}

void LiveItems::Settle(std::size_t likely)
{
    if (removed.empty())
        return;
    if (!indexed && likely < items.size() && items[likely]
        && std::all_of(removed.begin(), removed.end(), [this, likely](Item* gone) { return gone == items[likely]; })) {
        items[likely] = nullptr;
        removed.clear();
        return;
    }
    if (!indexed) {
        indexes.reserve(items.size());
        for (std::size_t index = 0; index < items.size(); ++index)
            if (items[index])
                indexes.emplace(items[index], index);
        indexed = true;
    }
    // An entry's item stayed alive up to its removal, so no other item had its address before: every entry
    // with a removed address refers to the removed item.
    for (Item* gone : removed) {
        auto range = indexes.equal_range(gone);
        for (auto it = range.first; it != range.second; ++it)
            items[it->second] = nullptr;
        indexes.erase(range.first, range.second);
    }
    removed.clear();
}
