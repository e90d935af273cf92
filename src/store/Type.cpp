#include "store/Type.h"

#include "store/Data.h"

#include <algorithm>
#include <functional>
#include <vector>

Type::Type(Data* store, std::string typeName, Primacy typePrimacy, bool nullType, bool createOnLookup)
    : data(store)
    , name(std::move(typeName))
    , primacy(typePrimacy)
    , isNull(nullType)
    , autoCreate(createOnLookup)
    , pool(nullType ? sizeof(Item) : sizeof(Item::WithValue))
{
}

// Only reached when the whole type goes without notifications (Data::Clear)
// or after its items were removed; the items die with it.
Type::~Type()
{
    ForEachItem(Item::Destroy);
}

void Type::RelateToType(Type* other, OneOrMany thisPerFar, OneOrMany farPerThis, bool owns)
{
    if (relations.count(other))
        throw new AlreadyRelatedException(name + " is already related to " + other->name);
    relations[other] = RelationInfo{thisPerFar, farPerThis, owns, false};
    if (other != this)
        other->relations[this] = RelationInfo{farPerThis, thisPerFar, false, owns};
}

RelationInfo Type::GetRelation(Type* other) const
{
    const RelationInfo* relation = FindRelation(other);
    if (!relation)
        throw new NotRelatedException(name + " is not related to " + other->name);
    return *relation;
}

const RelationInfo* Type::FindRelation(Type* other) const
{
    const auto it = relations.find(other);
    return it == relations.end() ? nullptr : &it->second;
}

void Type::RequireValueType() const
{
    if (isNull)
        throw new NullTypeException(name + " is a null type and has no values");
}

void Type::RequireNullType() const
{
    if (!isNull)
        throw new NullTypeException(name + " is not a null type");
}

ItemPtr Type::HasItem(const Value& value) const
{
    RequireValueType();
    return itemsByValue.Find(value.Bytes());
}

ItemPtr Type::GetItem(const Value& value)
{
    RequireValueType();
    const std::uint32_t hash = ValueIndex::Hash(value.Bytes());
    if (Item* existing = itemsByValue.Find(value.Bytes(), hash))
        return existing;
    return autoCreate ? CreateItem(value, hash) : nullptr;
}

ItemPtr Type::NewItem(const Value& value)
{
    RequireValueType();
    const std::uint32_t hash = ValueIndex::Hash(value.Bytes());
    if (Item* existing = itemsByValue.Find(value.Bytes(), hash))
        return existing;
    return CreateItem(value, hash);
}

ItemPtr Type::NewItem(Value&& value)
{
    RequireValueType();
    const std::uint32_t hash = ValueIndex::Hash(value.Bytes());
    if (Item* existing = itemsByValue.Find(value.Bytes(), hash))
        return existing;
    return CreateItem(std::move(value), hash);
}

ItemPtr Type::NewItem()
{
    RequireNullType();
    return CreateItem(Value(), 0);
}

ItemPtr Type::GetGlobalNullItem()
{
    RequireNullType();
    if (!globalNullItem) {
        if (items.Empty())
            return globalNullItem = CreateItem(Value(), 0);
        globalNullItem = items.First().Get();
    }
    return globalNullItem;
}

Item* Type::CreateItem(Value value, std::uint32_t valueHash)
{
    Item* item = Item::Create(this, std::move(value), valueHash);
    items.Insert(item);
    if (!isNull)
        itemsByValue.Insert(item);
    ItemPtr created(item);
    itemCreated.Notify(created);
    data->itemCreated.Notify(created);
    return item;
}

ItemSet Type::GetItems() const
{
    return items;
}

std::size_t Type::ItemCount() const
{
    return items.Size();
}

bool Type::Forget(Item* item)
{
    if (!items.Contains(item))
        return false;
    items.Erase(item);
    if (!isNull)
        itemsByValue.Erase(item);
    if (globalNullItem == item)
        globalNullItem = nullptr;
    return true;
}

void Type::RemoveAllItems()
{
    data->RemoveItems(items.ToVector());
}

void Type::Remove()
{
    RemoveAllItems();
    data->DropType(this);
}
