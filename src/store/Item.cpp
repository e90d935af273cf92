#include "store/Item.h"

#include "store/Data.h"

#include <new>

namespace {
const Value noValue;
} // namespace

const Value& Item::GetValue() const
{
    return type->IsNull() ? noValue : static_cast<const WithValue*>(this)->value;
}

Item* Item::Create(Type* type, Value value, std::uint32_t valueHash)
{
    void* memory = type->pool.Allocate();
    Item* item;
    try {
        item = type->IsNull() ? new (memory) Item(type) : new (memory) WithValue(type, std::move(value));
    } catch (...) {
        type->pool.Free(memory);
        throw;
    }
    item->valueHash = valueHash;
    return item;
}

void Item::Destroy(Item* item)
{
    Type* type = item->type;
    if (type->IsNull())
        item->~Item();
    else
        static_cast<WithValue*>(item)->~WithValue();
    type->pool.Free(item);
}

Item* Item::Connect(Item* other)
{
    if (IsConnected(other))
        return other;
    Type* thisType = type;
    Type* farType = other->type;
    const RelationInfo* found = thisType->FindRelation(farType);
    if (!found)
        throw new NotRelatedException(thisType->GetName() + " is not related to " + farType->GetName());
    const RelationInfo relation = *found;

    // An end that allows one partner lets go of the earlier one first, so
    // its disconnection is seen before the new connection.
    if (relation.farPerThis == One)
        if (Item* partner = GetItem(farType))
            Disconnect(partner);
    if (relation.thisPerFar == One)
        if (Item* partner = other->GetItem(thisType))
            other->Disconnect(partner);
    if (IsConnected(other))
        return other;

    Link(other);
    Announce(&Type::itemConnected, &Data::itemConnected, &Data::NotifyConnectionEventHandlers, other);
    return other;
}

Item* Item::Disconnect(Item* other)
{
    if (Unlink(other))
        Announce(&Type::itemDisconnected, &Data::itemDisconnected, &Data::NotifyDisconnectionEventHandlers, other);
    return other;
}

void Item::Announce(Event<ConnectionInfo> Type::*typeEvent, Event<ConnectionInfo> Data::*storeEvent,
                    void (Data::*pairHandlers)(Item*, Item*), Item* other)
{
    Type* thisType = type;
    Type* farType = other->type;
    Data* data = thisType->GetData();
    ConnectionInfo forward{this, other};
    (thisType->*typeEvent).Notify(forward);
    (data->*storeEvent).Notify(forward);
    ConnectionInfo backward{other, this};
    (farType->*typeEvent).Notify(backward);
    (data->*pairHandlers)(this, other);
}

void Item::Disconnect(Type* farType)
{
    const ItemSet* connected = connections.Find(farType);
    if (!connected)
        return;
    std::vector<Item*> partners;
    for (ItemSet::Iterator it = connected->Begin(); it != connected->End(); ++it)
        partners.push_back(it.Item());
    for (Item* partner : partners) {
        // A handler may have disconnected or removed a later partner already;
        // only the pointer is compared, so a removed one is never touched.
        const ItemSet* still = connections.Find(farType);
        if (still && still->Contains(partner))
            Disconnect(partner);
    }
}

void Item::Disconnect(const char* typeName)
{
    Disconnect(type->GetData()->GetType(typeName));
}

bool Item::IsConnected(const Item* other) const
{
    const ItemSet* mine = connections.Find(other->type);
    if (!mine)
        return false;
    // One member is told at once, without looking at the other item's side.
    if (mine->IsSingle())
        return mine->First().Get() == other;
    const ItemSet* theirs = other->connections.Find(type);
    if (!theirs)
        return false;
    // Look in the smaller side: a folder of thousands of files asking about
    // one file is answered by the file's single folder.
    if (theirs->IsSingle() || theirs->Size() < mine->Size())
        return theirs->Contains(const_cast<Item*>(this));
    return mine->Contains(const_cast<Item*>(other));
}

bool Item::IsConnected(Type* farType) const
{
    return connections.Find(farType) != nullptr;
}

bool Item::IsConnected(const char* typeName) const
{
    return IsConnected(type->GetData()->GetType(typeName));
}

Item* Item::GetItem(Type* farType) const
{
    const ItemSet* connected = connections.Find(farType);
    return connected ? connected->First().Get() : nullptr;
}

Item* Item::GetItem(const char* typeName) const
{
    return GetItem(type->GetData()->GetType(typeName));
}

void Item::GetItems(Type* farType, ItemSet& items) const
{
    if (!type->IsRelated(farType))
        throw new NotRelatedException(type->GetName() + " is not related to " + farType->GetName());
    const ItemSet* connected = connections.Find(farType);
    if (connected)
        items = *connected;
    else
        items.Clear();
}

void Item::GetItems(const char* typeName, ItemSet& items) const
{
    GetItems(type->GetData()->GetType(typeName), items);
}

Item* Item::NewItem(const char* typeName)
{
    Type* farType = type->GetData()->GetType(typeName);
    if (!farType->IsNull())
        throw new NullTypeException(farType->GetName() + " is not a null type");
    const RelationInfo relation = type->GetRelation(farType);
    if (relation.farPerThis == Many)
        return Connect(farType->NewItem().Get());
    if (Item* existing = GetItem(farType))
        return existing;
    if (relation.thisPerFar == Many)
        return Connect(farType->GetGlobalNullItem().Get());
    return Connect(farType->NewItem().Get());
}

void Item::Remove()
{
    Type* itemType = type;
    if (!itemType->Forget(this))
        return;
    Data* data = itemType->GetData();
    ItemPtr self(this);
    itemType->itemRemoved.Notify(self);
    data->itemRemoved.Notify(self);
    while (!connections.Empty())
        Disconnect(connections.begin()->Set().First().Get());
    data->ItemRemoved(this);
    Destroy(this);
}

void Item::Link(Item* other)
{
    connections[other->type].Insert(other);
    other->connections[type].Insert(this);
}

bool Item::Unlink(Item* other)
{
    ItemSet* connected = connections.Find(other->type);
    if (!connected || !connected->Contains(other))
        return false;
    connected->Erase(other);
    if (connected->Empty())
        connections.Erase(other->type);
    if (ItemSet* back = other->connections.Find(type)) {
        back->Erase(this);
        if (back->Empty())
            other->connections.Erase(type);
    }
    return true;
}
