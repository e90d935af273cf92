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
    return items.Find(value.Bytes());
}

ItemPtr Type::GetItem(const Value& value)
{
    RequireValueType();
    const std::uint32_t hash = ValueIndex::Hash(value.Bytes());
    if (Item* existing = items.Find(value.Bytes(), hash))
        return existing;
    return autoCreate ? CreateItem(value, hash) : nullptr;
}

ItemPtr Type::NewItem(const Value& value)
{
    RequireValueType();
    const std::uint32_t hash = ValueIndex::Hash(value.Bytes());
    if (Item* existing = items.Find(value.Bytes(), hash))
        return existing;
    return CreateItem(value, hash);
}

ItemPtr Type::NewItem(Value&& value)
{
    RequireValueType();
    const std::uint32_t hash = ValueIndex::Hash(value.Bytes());
    if (Item* existing = items.Find(value.Bytes(), hash))
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
        if (nullItems.Empty())
            return globalNullItem = CreateItem(Value(), 0);
        globalNullItem = nullItems.First().Get();
    }
    return globalNullItem;
}

Item* Type::CreateItem(Value value, std::uint32_t valueHash)
{
    Item* item = Item::Create(this, std::move(value), valueHash);
    if (isNull)
        nullItems.Insert(item);
    else
        items.Insert(item);
    ItemPtr created(item);
    itemCreated.Notify(created);
    data->itemCreated.Notify(created);
    return item;
}

ItemSet Type::GetItems() const
{
    return isNull ? nullItems : ItemSet::FromSorted(ValueItems());
}

std::vector<Item*> Type::ValueItems() const
{
    std::vector<Item*> all;
    all.reserve(items.Size());
    items.ForEach([&all](Item* item) { all.push_back(item); });
    std::sort(all.begin(), all.end(), std::less<Item*>());
    return all;
}

std::size_t Type::ItemCount() const
{
    return isNull ? nullItems.Size() : items.Size();
}

bool Type::Forget(Item* item)
{
    if (isNull) {
        if (!nullItems.Contains(item))
            return false;
        nullItems.Erase(item);
    } else if (!items.Erase(item)) {
        return false;
    }
    if (globalNullItem == item)
        globalNullItem = nullptr;
    return true;
}

void Type::RemoveAllItems()
{
    data->RemoveItems(isNull ? nullItems.ToVector() : ValueItems());
}

void Type::Remove()
{
    RemoveAllItems();
    data->DropType(this);
}
