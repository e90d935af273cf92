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
    for (Item* item : items)
        delete item;
    for (ItemSet::Iterator it = nullItems.Begin(); it != nullItems.End(); ++it)
        delete it.Item();
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
    const auto it = items.find(value);
    return it == items.end() ? nullptr : *it;
}

ItemPtr Type::GetItem(const Value& value)
{
    const ItemPtr existing = HasItem(value);
    if (existing || !autoCreate)
        return existing;
    return CreateItem(value);
}

ItemPtr Type::NewItem(const Value& value)
{
    const ItemPtr existing = HasItem(value);
    return existing ? existing : CreateItem(value);
}

ItemPtr Type::NewItem()
{
    RequireNullType();
    return CreateItem(Value());
}

ItemPtr Type::GetGlobalNullItem()
{
    RequireNullType();
    if (!globalNullItem) {
        if (nullItems.Empty())
            return globalNullItem = CreateItem(Value());
        globalNullItem = nullItems.First().Get();
    }
    return globalNullItem;
}

Item* Type::CreateItem(Value value)
{
    Item* item = new Item(this, std::move(value));
    if (isNull)
        nullItems.Insert(item);
    else
        items.insert(item);
    ItemPtr created(item);
    itemCreated.Notify(created);
    data->itemCreated.Notify(created);
    return item;
}

ItemSet Type::GetItems() const
{
    if (isNull)
        return nullItems;
    std::vector<Item*> all(items.begin(), items.end());
    std::sort(all.begin(), all.end(), std::less<Item*>());
    return ItemSet::FromSorted(all);
}

std::size_t Type::ItemCount() const
{
    return isNull ? nullItems.Size() : items.size();
}

bool Type::Forget(Item* item)
{
    if (isNull) {
        if (!nullItems.Contains(item))
            return false;
        nullItems.Erase(item);
    } else {
        const auto it = items.find(item->GetValue());
        if (it == items.end() || *it != item)
            return false;
        items.erase(it);
    }
    if (globalNullItem == item)
        globalNullItem = nullptr;
    return true;
}

void Type::RemoveAllItems()
{
    data->RemoveItems(isNull ? nullItems.ToVector() : std::vector<Item*>(items.begin(), items.end()));
}

void Type::Remove()
{
    RemoveAllItems();
    data->DropType(this);
}
