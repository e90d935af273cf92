#include "store/Data.h"

#include <algorithm>

void Data::GetTypeOwningTypes(Type* type, std::set<Type*>& owningTypes) const
{
    for (const auto& relation : type->relations)
        if (relation.second.ownedBy)
            owningTypes.insert(relation.first);
}

void Data::RemoveDisconnectedItems()
{
    unmarked.clear();
    std::size_t itemCount = 0;
    for (const auto& entry : types)
        itemCount += entry.second->ItemCount();
    unmarked.reserve(itemCount);
    RemovalWatch watchUnmarked(this, &unmarked);

    // Items missing one of their owners go at once; the rest wait for marking.
    std::vector<Item*> removeNow;
    for (const auto& entry : types) {
        Type* type = entry.second;
        std::set<Type*> owners;
        GetTypeOwningTypes(type, owners);
        type->ForEachItem([&](Item* item) {
            const bool orphaned
                = std::any_of(owners.begin(), owners.end(), [item](Type* owner) { return !item->IsConnected(owner); });
            if (orphaned)
                removeNow.push_back(item);
            else
                unmarked.insert(item);
        });
    }
    RemoveItems(removeNow);

    for (const auto& entry : types) {
        Type* type = entry.second;
        if (type->GetPrimacy() != Primary)
            continue;
        type->ForEachItem([this](Item* item) { MarkItemConnections(item); });
    }

    while (!unmarked.empty()) {
        Item* item = *unmarked.begin();
        unmarked.erase(unmarked.begin());
        item->Remove();
    }
}

void Data::MarkItemConnections(Item* item)
{
    // Depth-first with an explicit stack: chains of secondary items can be
    // far longer than the call stack allows.
    std::vector<Item*> pending{item};
    while (!pending.empty()) {
        Item* current = pending.back();
        pending.pop_back();
        if (!unmarked.erase(current))
            continue;
        if (current->GetType()->GetPrimacy() == Tertiary)
            continue;
        for (const TypeItemsMap::Entry& entry : current->Connections()) {
            if (entry.GetType()->GetPrimacy() == Primary)
                continue;
            for (ItemSet::Iterator it = entry.Set().Begin(); it != entry.Set().End(); ++it)
                if (unmarked.count(it.Item()))
                    pending.push_back(it.Item());
        }
    }
}
