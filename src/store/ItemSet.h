#ifndef STORE_ITEMSET_H
#define STORE_ITEMSET_H

#include "store/AddressSet.h"
#include "store/ItemPtr.h"
#include "store/Value.h"

#include <cstddef>
#include <initializer_list>
#include <list>
#include <utility>
#include <vector>

class Item;
class Type;

// An ordered set of distinct items, ordered by address. Most items have no
// or one connection of a given type, so one member is kept inline; larger sets
// are sorted arrays (see AddressSet). Any change of a set invalidates its
// iterators: bulk changes work on copies.
class ItemSet
{
public:
    using Iterator = AddressSet::Iterator;

    ItemSet() = default;
    ItemSet(ItemPtr item)
        : members(item.Get())
    {
    }
    ItemSet(std::initializer_list<ItemPtr> items);

    // Builds a set from addresses already in ascending order, in linear time.
    static ItemSet FromSorted(const std::vector<Item*>& items);
    // The members in address order.
    std::vector<Item*> ToVector() const;

    Iterator Begin() const { return members.begin(); }
    Iterator End() const { return Iterator(); }
    Iterator begin() const { return Begin(); }
    Iterator end() const { return End(); }
    std::size_t Size() const { return members.Size(); }
    bool Empty() const { return members.Empty(); }
    bool IsSingle() const { return members.IsSingle(); }
    Iterator Find(ItemPtr item) const { return members.Find(item.Get()); }
    bool Contains(ItemPtr item) const { return members.Contains(item.Get()); }
    // The first member (lowest address), or a null handle when empty.
    ItemPtr First() const { return members.First(); }
    operator ItemPtr() const { return First(); }

    // Changes of this set.
    void Insert(ItemPtr item) { members.Insert(item.Get()); }
    void Erase(ItemPtr item) { members.Erase(item.Get()); }
    void Clear() { members.Clear(); }
    void Add(const ItemSet& other);

    // New sets.
    ItemSet operator+(const ItemSet& other) const;
    ItemSet Common(const ItemSet& other) const;
    ItemSet Connected(ItemPtr item) const;
    ItemSet NotConnected(ItemPtr item) const;
    // Members connected to at least one / to no item of `items`.
    ItemSet Connected(const ItemSet& items) const;
    ItemSet NotConnected(const ItemSet& items) const;
    // Members connected to some / to no item of the type.
    ItemSet Connected(const char* typeName) const;
    ItemSet NotConnected(const char* typeName) const;
    // Members connected / not connected to the item of that type and value;
    // an absent item counts as connected to nothing.
    ItemSet Connected(const char* typeName, const Value& value) const;
    ItemSet NotConnected(const char* typeName, const Value& value) const;

    // The union of the members' connected items of the type (every member's
    // type must be related to it, else NotRelatedException).
    ItemSet GetItems(const char* typeName) const;

    // Bulk changes on the members; members that handlers remove meanwhile are
    // skipped.
    void Remove() const;
    void Disconnect(const char* typeName) const;

    // Sorted copies: members with equal keys keep address order, and a
    // descending result is the exact reverse of the ascending one.
    std::list<ItemPtr> SortAlphabetic(bool ascending) const;
    std::list<ItemPtr> SortNumeric(bool ascending) const;
    // Keyed by the first connected item of the type; members without one are
    // left out.
    std::list<ItemPtr> SortAlphabeticBy(const char* typeName, bool ascending, bool caseSensitive) const;
    std::list<ItemPtr> SortNumericBy(const char* typeName, bool ascending) const;

    friend bool operator==(const ItemSet& a, const ItemSet& b);
    friend bool operator!=(const ItemSet& a, const ItemSet& b) { return !(a == b); }

private:
    template <typename Keep>
    ItemSet Filter(Keep keep) const;

    AddressSet members;
};

// The connections of one item: far type (by address) to the set of connected
// items of that type. Many items are connected to one type only (a file's
// size, a word's files): that entry is held in place. More entries are one
// sorted array sized exactly, since an item is connected to few types.
class TypeItemsMap
{
public:
    class Entry
    {
    public:
        explicit Entry(Type* farType)
            : type(farType)
        {
        }
        Type* GetType() const { return type; }
        ItemSet& Set() { return set; }
        const ItemSet& Set() const { return set; }

    private:
        Type* type;
        ItemSet set;
    };

    TypeItemsMap() noexcept
        : many{nullptr, nullptr}
    {
    }
    TypeItemsMap(const TypeItemsMap& other);
    TypeItemsMap(TypeItemsMap&& other) noexcept;
    TypeItemsMap& operator=(const TypeItemsMap& other);
    TypeItemsMap& operator=(TypeItemsMap&& other) noexcept;
    ~TypeItemsMap() { Clear(); }

    // Out of line: seen through, the entry in place looks like a one-entry
    // array to the compiler's bounds warnings wherever two entries are read.
    Entry* begin();
    Entry* end() { return begin() + Size(); }
    const Entry* begin() const { return const_cast<TypeItemsMap*>(this)->begin(); }
    const Entry* end() const { return begin() + Size(); }
    bool Empty() const { return !IsSingle() && !many.block; }
    std::size_t Size() const { return IsSingle() ? 1 : many.block ? many.block->count : 0; }

    // Creates an empty entry when the type has none.
    ItemSet& operator[](Type* type);
    void Erase(Type* type);
    // The set of that type, or null.
    ItemSet* Find(Type* type);
    const ItemSet* Find(Type* type) const { return const_cast<TypeItemsMap*>(this)->Find(type); }
    void Clear() noexcept;

private:
    // The entries follow the header in the same allocation.
    struct Header
    {
        std::size_t count;
    };
    // The form without an entry in place: the first word (an entry's type)
    // is null, the second points to the array, or is null when empty.
    struct Many
    {
        Type* none;
        Header* block;
    };

    // The first words of both forms are type pointers, so either may be read.
    bool IsSingle() const { return many.none != nullptr; }
    Entry* Entries() const { return many.block ? reinterpret_cast<Entry*>(many.block + 1) : nullptr; }
    std::size_t LowerBound(Type* type) const;
    static Header* Allocate(std::size_t count);

    union
    {
        Entry single;
        Many many;
    };
};

#endif
