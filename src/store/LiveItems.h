#ifndef STORE_LIVEITEMS_H
#define STORE_LIVEITEMS_H

#include <cstddef>
#include <unordered_map>
#include <vector>

class Data;
class Item;

// A list of items that stays safe to use while handlers may remove any item, and a new item may take a
// removed one's address: after each store call that may have run handlers, Settle() turns the entries whose
// item was removed into nulls. Nothing is looked up while nothing is removed, so a long list (every item of a
// loaded file) costs little more than the list itself.
class LiveItems
{
public:
    explicit LiveItems(Data* data);
    LiveItems(const LiveItems&) = delete;
    LiveItems& operator=(const LiveItems&) = delete;
    ~LiveItems();

    void Reserve(std::size_t count) { items.reserve(count); }
    // Appends an item that the store call just made returned; it is null when that call removed it.
    void Add(Item* item);
    std::size_t Size() const { return items.size(); }
    // The entry, or null when its item was removed.
    Item* operator[](std::size_t index) const { return items[index]; }
    // `likely` names an entry whose item the call may well have removed (the one it was made on): when no
    // other went, nothing needs to be looked up.
    void Settle(std::size_t likely = std::size_t(-1));

private:
    friend class Data;

    Data* data;
    std::vector<Item*> items;
    // The store appends every removed item here.
    std::vector<Item*> removed;
    // Where each item is in the list; built at the first removal.
    std::unordered_multimap<Item*, std::size_t> indexes;
    bool indexed = false;
};

#endif
