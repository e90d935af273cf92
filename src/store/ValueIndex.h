#ifndef STORE_VALUEINDEX_H
#define STORE_VALUEINDEX_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class Item;

// The items of one value type by their value: an open-addressing hash table
// of item addresses with linear probing, kept between a quarter and seven
// eighths full. A slot costs eight bytes where a tree costs a node per item;
// each item keeps the hash of its value, so growing never rehashes the text
// and most mismatches are told without reading it.
class ValueIndex
{
public:
    ValueIndex() = default;
    ValueIndex(const ValueIndex&) = delete;
    ValueIndex& operator=(const ValueIndex&) = delete;

    static std::uint32_t Hash(std::string_view bytes);

    // The item with that value (and its hash), or null.
    Item* Find(std::string_view bytes, std::uint32_t hash) const;
    Item* Find(std::string_view bytes) const { return Find(bytes, Hash(bytes)); }
    // The item's value must not be in the index yet.
    void Insert(Item* item);
    // False when that very item is not in the index.
    bool Erase(const Item* item);
    // Forgets every item (they are not freed).
    void Clear();
    std::size_t Size() const { return count; }

private:
    std::size_t Home(std::uint32_t hash) const { return hash & (capacity - 1); }
    std::size_t Next(std::size_t slot) const { return (slot + 1) & (capacity - 1); }
    void Rehash(std::size_t newCapacity);
    void Place(Item* item);

    std::unique_ptr<Item*[]> table;
    std::size_t capacity = 0; // zero or a power of two
    std::size_t count = 0;
};

#endif
