#ifndef STORE_TYPE_H
#define STORE_TYPE_H

#include "store/Events.h"
#include "store/Item.h"
#include "store/ItemPool.h"
#include "store/ItemPtr.h"
#include "store/ItemSet.h"
#include "store/Value.h"
#include "store/ValueIndex.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

class Data;

// What the collection of unreachable items does with items of a type.
enum Primacy
{
    Primary = 0,   // roots: they live until removed
    Secondary = 1, // live while reachable from a root; pass liveness on
    Tertiary = 2,  // live while connected to a living item; pass nothing on
};

enum OneOrMany
{
    One = 0,
    Many = 1,
};

// How this type relates to a far type, as kept by this type.
struct RelationInfo
{
    OneOrMany thisPerFar; // items of this type one far item may be connected to
    OneOrMany farPerThis; // far items one item of this type may be connected to
    bool owns;            // this type owns the far type
    bool ownedBy;         // the far type owns this type
};

// One named item type. Created by Data::NewType, owned by the store.
class Type
{
public:
    Type(const Type&) = delete;
    Type& operator=(const Type&) = delete;

    Event<ItemPtr> itemCreated;
    Event<ItemPtr> itemRemoved;
    Event<ConnectionInfo> itemConnected;
    Event<ConnectionInfo> itemDisconnected;

    Data* GetData() const { return data; }
    const std::string& GetName() const { return name; }
    Primacy GetPrimacy() const { return primacy; }
    // Items of a null type carry no value and are never looked up by value.
    bool IsNull() const { return isNull; }
    bool IsAutoCreate() const { return autoCreate; }

    // Stores {thisPerFar, farPerThis, owns, false} here and the mirror
    // {farPerThis, thisPerFar, false, owns} at `other`. Throws
    // AlreadyRelatedException when the two are already related.
    void RelateToType(Type* other, OneOrMany thisPerFar, OneOrMany farPerThis, bool owns);
    // Throws NotRelatedException.
    RelationInfo GetRelation(Type* other) const;
    // The relation to `other`, or null.
    const RelationInfo* FindRelation(Type* other) const;
    bool IsRelated(Type* other) const { return FindRelation(other) != nullptr; }
    void GetRelatedTypes(std::map<Type*, RelationInfo>& types) const { types = relations; }

    // Value lookups; all throw NullTypeException on a null type.
    ItemPtr HasItem(const Value& value) const;
    // Creates the missing item when the type is autoCreate, else null.
    ItemPtr GetItem(const Value& value);
    ItemPtr operator[](const Value& value) { return GetItem(value); }
    // The existing item with that value, else a new one.
    ItemPtr NewItem(const Value& value);
    ItemPtr NewItem(Value&& value);

    // Null types only (else NullTypeException): a new anonymous item.
    ItemPtr NewItem();
    // Null types only: the item that flags of this type connect to, created
    // when there is none. It stays the same item while it lives.
    ItemPtr GetGlobalNullItem();

    // All items (the null items of a null type), ordered by address.
    ItemSet GetItems() const;
    void GetItems(ItemSet& out) const { out = GetItems(); }
    std::size_t ItemCount() const;

    // Item::Remove on every item, with all notifications.
    void RemoveAllItems();
    // Removes every item, then the type itself (its relations, handlers and
    // path handlers that mention it). The pointer dangles afterwards.
    void Remove();

private:
    friend class Data;
    friend class Item;

    Type(Data* data, std::string name, Primacy primacy, bool isNull, bool autoCreate);
    ~Type();

    void RequireValueType() const;
    void RequireNullType() const;
    Item* CreateItem(Value value, std::uint32_t valueHash);
    // Takes the item out of the type; false when it was not in it (already
    // being removed).
    bool Forget(Item* item);
    // Visits the items in place; the visit must not remove any.
    template <typename Visit>
    void ForEachItem(Visit visit) const
    {
        for (ItemSet::Iterator it = items.Begin(); it != items.End(); ++it)
            visit(it.Item());
    }

    Data* data;
    std::string name;
    Primacy primacy;
    bool isNull;
    bool autoCreate;
    std::map<Type*, RelationInfo> relations;
    // Declared before the items, which live in it.
    ItemPool pool;
    // Every item in address order: the order of every listing and of the
    // saved file.
    ItemSet items;
    // The items of a value type by value, keyed by their own value so that
    // the value is stored once.
    ValueIndex itemsByValue;
    Item* globalNullItem = nullptr;
};

#endif
