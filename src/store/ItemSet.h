#ifndef STORE_ITEMSET_H
#define STORE_ITEMSET_H

#include "store/ItemPtr.h"
#include "store/Value.h"

#include <cstddef>
#include <initializer_list>
#include <list>
#include <memory>
#include <set>
#include <utility>
#include <vector>

class Item;
class Type;

// An ordered set of distinct items, ordered by address. Most items have no
// or one connection of a given type, so one member is kept inline and the
// ordered set is allocated only from the second member on.
class ItemSet
{
    using Members = std::set<Item*>;

public:
    class Iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ItemPtr;
        using difference_type = std::ptrdiff_t;
        using pointer = const ItemPtr*;
        using reference = ItemPtr;

        Iterator() = default;
        ItemPtr operator*() const { return Item(); }
        ::Item* Item() const { return inMembers ? *position : single; }
        Iterator& operator++();
        Iterator operator++(int);
        bool operator==(const Iterator& other) const;
        bool operator!=(const Iterator& other) const { return !(*this == other); }

    private:
        friend class ItemSet;
        explicit Iterator(::Item* only)
            : single(only)
        {
        }
        // Becomes the end form (single null) once it passes the last member.
        Iterator(Members::const_iterator position, Members::const_iterator last);

        ::Item* single = nullptr;
        Members::const_iterator position;
        Members::const_iterator last;
        bool inMembers = false;
    };

    ItemSet() = default;
    ItemSet(ItemPtr item);
    ItemSet(std::initializer_list<ItemPtr> items);
    ItemSet(const ItemSet& other);
    ItemSet(ItemSet&& other) noexcept;
    ItemSet& operator=(const ItemSet& other);
    ItemSet& operator=(ItemSet&& other) noexcept;
    ~ItemSet();

    // Builds a set from addresses already in ascending order, in linear time.
    static ItemSet FromSorted(const std::vector<Item*>& items);
    // The members in address order.
    std::vector<Item*> ToVector() const;

    Iterator Begin() const;
    Iterator End() const { return Iterator(); }
    Iterator begin() const { return Begin(); }
    Iterator end() const { return End(); }
    std::size_t Size() const;
    bool Empty() const { return !one && !members; }
    Iterator Find(ItemPtr item) const;
    bool Contains(ItemPtr item) const;
    // The first member (lowest address), or a null handle when empty.
    ItemPtr First() const;
    operator ItemPtr() const { return First(); }

    // Changes of this set.
    void Insert(ItemPtr item);
    void Erase(ItemPtr item);
    void Clear();
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

    // Set while the set holds exactly one item and `members` is null.
    Item* one = nullptr;
    // Owned; set from two members on.
    Members* members = nullptr;
};

// The connections of one item: far type (by address) to the set of connected
// items of that type. Kept as a sorted vector: an item is connected to few
// types, and this costs one allocation instead of one per type.
class TypeItemsMap
{
public:
    class Entry
    {
    public:
        Entry(Type* farType)
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
    using Entries = std::vector<Entry>;

    Entries::iterator begin() { return entries.begin(); }
    Entries::iterator end() { return entries.end(); }
    Entries::const_iterator begin() const { return entries.begin(); }
    Entries::const_iterator end() const { return entries.end(); }
    bool Empty() const { return entries.empty(); }
    std::size_t Size() const { return entries.size(); }

    // Creates an empty entry when the type has none.
    ItemSet& operator[](Type* type);
    void Erase(Type* type);
    // The set of that type, or null.
    ItemSet* Find(Type* type);
    const ItemSet* Find(Type* type) const;
    void Clear() { entries.clear(); }

private:
    Entries::iterator LowerBound(Type* type);
    Entries::const_iterator LowerBound(Type* type) const;

    Entries entries;
};

#endif
