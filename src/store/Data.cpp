#include "store/Data.h"

#include <algorithm>
#include <unordered_map>

Data d;

ItemSet g(const char* typeName)
{
    return d.GetType(typeName)->GetItems();
}

ItemSet i(const char* typeName, const Value& value)
{
    return ItemSet(d.GetType(typeName)->HasItem(value));
}

Data::Data() = default;

// Handlers whose owners are still alive stay allocated: such an owner may be
// a global destroyed after the store, and it still flags them.
Data::~Data()
{
    Clear();
}

Type* Data::NewType(const std::string& name, Primacy primacy, bool isNull, bool autoCreate)
{
    if (types.count(name))
        throw new TypeAlreadyExistsException("type " + name + " already exists");
    Type* type = new Type(this, name, primacy, isNull, autoCreate);
    types.emplace(name, type);
    return type;
}

Type* Data::GetType(std::string_view name) const
{
    Type* type = HasType(name);
    if (!type)
        throw new TypeNotFoundException("type " + std::string(name) + " not found");
    return type;
}

Type* Data::HasType(std::string_view name) const
{
    const auto it = types.find(name);
    return it == types.end() ? nullptr : it->second;
}

void Data::GetTypes(std::map<std::string, Type*>& all) const
{
    all.clear();
    all.insert(types.begin(), types.end());
}

ItemSet Data::GetItems(const ItemSet& from, const char* typeName) const
{
    return from.GetItems(typeName);
}

ItemSet Data::GetItemSubset(const ItemSet& from, const char* typeName) const
{
    Type* type = GetType(typeName);
    std::vector<const ItemSet*> connected;
    connected.reserve(from.Size());
    for (ItemSet::Iterator it = from.Begin(); it != from.End(); ++it) {
        const ItemSet* set = it.Item()->ConnectedSet(type);
        if (!set)
            return ItemSet();
        connected.push_back(set);
    }
    if (connected.empty())
        return ItemSet();
    // Start from the fewest candidates so the intersection touches least.
    std::stable_sort(connected.begin(), connected.end(),
                     [](const ItemSet* a, const ItemSet* b) { return a->Size() < b->Size(); });
    std::vector<Item*> candidates;
    candidates.reserve(connected.front()->Size());
    for (ItemSet::Iterator it = connected.front()->Begin(); it != connected.front()->End(); ++it)
        candidates.push_back(it.Item());
    for (std::size_t k = 1; k < connected.size() && !candidates.empty(); ++k) {
        const ItemSet* set = connected[k];
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [set](Item* candidate) { return !set->Contains(candidate); }),
                         candidates.end());
    }
    return ItemSet::FromSorted(candidates);
}

ItemSet Data::GetItems(ItemPtr a, ItemPtr b, const char* typeName) const
{
    if (!a || !b)
        return ItemSet();
    return GetItemSubset(ItemSet{a, b}, typeName);
}

ItemPtr Data::GetItem(const ItemSet& from, const char* typeName) const
{
    return GetItemSubset(from, typeName).First();
}

ItemPtr Data::GetItem(ItemPtr a, ItemPtr b, const char* typeName) const
{
    return GetItems(a, b, typeName).First();
}

void Data::AddConnectionEventHandler(Type* a, Type* b, EventHandlerBase<ConnectionInfo&>* handler)
{
    connectionHandlers[TypePair(a, b)].Add(handler);
}

void Data::AddDisconnectionEventHandler(Type* a, Type* b, EventHandlerBase<ConnectionInfo&>* handler)
{
    disconnectionHandlers[TypePair(a, b)].Add(handler);
}

namespace {

// Handlers for (type of a, type of b) see {a, b}, then those for
// (type of b, type of a) see {b, a}.
void NotifyPairHandlers(std::map<Data::TypePair, Event<ConnectionInfo&>>& table, Item* a, Item* b)
{
    if (table.empty())
        return;
    Type* typeA = a->GetType();
    Type* typeB = b->GetType();
    auto forward = table.find(Data::TypePair(typeA, typeB));
    if (forward != table.end()) {
        ConnectionInfo info{a, b};
        forward->second.Notify(info);
    }
    auto backward = table.find(Data::TypePair(typeB, typeA));
    if (backward != table.end()) {
        ConnectionInfo info{b, a};
        backward->second.Notify(info);
    }
}

} // namespace

void Data::NotifyConnectionEventHandlers(Item* a, Item* b)
{
    NotifyPairHandlers(connectionHandlers, a, b);
}

void Data::NotifyDisconnectionEventHandlers(Item* a, Item* b)
{
    NotifyPairHandlers(disconnectionHandlers, a, b);
}

Data::RemovalWatch::RemovalWatch(Data* store, std::unordered_set<Item*>* watched)
    : data(store)
    , items(watched)
{
    data->removalWatches.push_back(items);
}

Data::RemovalWatch::~RemovalWatch()
{
    auto& watches = data->removalWatches;
    watches.erase(std::find(watches.begin(), watches.end(), items));
}

void Data::ItemRemoved(Item* item)
{
    for (std::unordered_set<Item*>* watch : removalWatches)
        watch->erase(item);
    for (LiveItems* log : removalLogs)
        log->removed.push_back(item);
}

void Data::ForEachPresent(const std::vector<Item*>& items, const std::function<void(Item*)>& visit)
{
    LiveItems live(this);
    live.Reserve(items.size());
    for (Item* item : items)
        live.Add(item);
    for (std::size_t index = 0; index < live.Size(); ++index) {
        if (Item* item = live[index]) {
            visit(item);
            live.Settle(index);
        }
    }
}

void Data::RemoveItems(const std::vector<Item*>& items)
{
    ForEachPresent(items, [](Item* item) { item->Remove(); });
}

void Data::RemoveAllItems()
{
    for (const auto& entry : types)
        entry.second->RemoveAllItems();
}

void Data::Renew()
{
    std::unordered_map<Item*, Item*> renewed;
    for (const auto& entry : types) {
        Type* type = entry.second;
        const ItemSet all = type->GetItems();
        for (ItemSet::Iterator it = all.Begin(); it != all.End(); ++it)
            renewed.emplace(it.Item(), Item::Create(type, it.Item()->GetValue(), it.Item()->valueHash));
    }
    std::vector<Item*> linked;
    for (const auto& pair : renewed) {
        for (const TypeItemsMap::Entry& entry : pair.first->Connections()) {
            linked.clear();
            for (ItemSet::Iterator it = entry.Set().Begin(); it != entry.Set().End(); ++it)
                linked.push_back(renewed.at(it.Item()));
            std::sort(linked.begin(), linked.end(), std::less<Item*>());
            pair.second->connections[entry.GetType()] = ItemSet::FromSorted(linked);
        }
    }
    for (const auto& entry : types) {
        Type* type = entry.second;
        std::vector<Item*> fresh;
        for (ItemSet::Iterator it = type->items.Begin(); it != type->items.End(); ++it)
            fresh.push_back(renewed.at(it.Item()));
        std::sort(fresh.begin(), fresh.end(), std::less<Item*>());
        type->items = ItemSet::FromSorted(fresh);
        type->itemsByValue.Clear();
        if (!type->isNull)
            for (Item* item : fresh)
                type->itemsByValue.Insert(item);
        if (type->globalNullItem)
            type->globalNullItem = renewed.at(type->globalNullItem);
    }
    for (const auto& pair : renewed)
        Item::Destroy(pair.first);
}

void Data::DropHandlers(std::vector<EventHandlerRoot*>& handlers)
{
    for (EventHandlerRoot* handler : handlers) {
        if (handler->removed || pathTriggers.erase(handler))
            delete handler;
        else
            detachedHandlers.push_back(handler);
    }
    handlers.clear();
    // Owners destroyed since the last drop have flagged theirs by now.
    auto flagged = std::stable_partition(detachedHandlers.begin(), detachedHandlers.end(),
                                         [](EventHandlerRoot* handler) { return !handler->removed; });
    for (auto it = flagged; it != detachedHandlers.end(); ++it)
        delete *it;
    detachedHandlers.erase(flagged, detachedHandlers.end());
}

void Data::ReleaseTypeEvents(Type* type, std::vector<EventHandlerRoot*>& handlers)
{
    type->itemCreated.Release(handlers);
    type->itemRemoved.Release(handlers);
    type->itemConnected.Release(handlers);
    type->itemDisconnected.Release(handlers);
}

void Data::DropType(Type* type)
{
    std::vector<EventHandlerRoot*> handlers;
    types.erase(type->name);
    for (const auto& relation : type->relations)
        if (relation.first != type)
            relation.first->relations.erase(type);

    const auto mentions = [type](const TypePair& pair) { return pair.first == type || pair.second == type; };
    for (auto* table : {&connectionHandlers, &disconnectionHandlers}) {
        for (auto it = table->begin(); it != table->end();) {
            if (mentions(it->first)) {
                it->second.Release(handlers);
                it = table->erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto* pairs : {&pathConnectionPairs, &pathDisconnectionPairs})
        for (auto it = pairs->begin(); it != pairs->end();)
            it = mentions(*it) ? pairs->erase(it) : std::next(it);

    std::set<PathNodeHandlerInfo*> infos;
    for (const auto& entry : pathHandlers)
        if (mentions(entry.first))
            infos.insert(entry.second.begin(), entry.second.end());
    for (PathNodeHandlerInfo* info : infos)
        DropPathHandler(info, handlers);

    ReleaseTypeEvents(type, handlers);
    delete type;
    DropHandlers(handlers);
}

void Data::Clear()
{
    std::vector<EventHandlerRoot*> handlers;
    for (const auto& entry : types) {
        ReleaseTypeEvents(entry.second, handlers);
        delete entry.second;
    }
    types.clear();
    itemCreated.Release(handlers);
    itemRemoved.Release(handlers);
    itemConnected.Release(handlers);
    itemDisconnected.Release(handlers);
    for (auto* table : {&connectionHandlers, &disconnectionHandlers}) {
        for (auto& entry : *table)
            entry.second.Release(handlers);
        table->clear();
    }
    pathConnectionPairs.clear();
    pathDisconnectionPairs.clear();
    std::set<PathNodeHandlerInfo*> infos;
    for (const auto& entry : pathHandlers)
        infos.insert(entry.second.begin(), entry.second.end());
    for (PathNodeHandlerInfo* info : infos)
        DropPathHandler(info, handlers);
    pathHandlers.clear();
    unmarked.clear();
    DropHandlers(handlers);
}
