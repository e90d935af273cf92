#ifndef STORE_VALUEINDEX_H
#define STORE_VALUEINDEX_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class Item;

// The items of one value type by their value: an open-addressing hash table with linear probing, kept
// between a fifth and four fifths full. A slot costs ten bytes (the item's address and a 16-bit tag from
// the hash of its value) where a tree costs a node per item. A lookup scans the tags, which lie together,
// and reads an item only when its tag matches; each item keeps the hash of its value, so growing never
// rehashes the text.
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
    // Zero marks a free slot.
    static std::uint16_t Tag(std::uint32_t hash) { return std::uint16_t(hash | 0x8000u); }
    // The high bits of a multiplicative mix, so that the tag's low bits do not decide the slot.
    std::size_t Home(std::uint32_t hash) const { return std::uint32_t(hash * 2654435769u) >> (32 - bits); }
    std::size_t Next(std::size_t slot) const { return (slot + 1) & (Capacity() - 1); }
    std::size_t Capacity() const { return bits ? std::size_t(1) << bits : 0; }
    void Rehash(unsigned newBits);
    void Place(Item* item);

    std::unique_ptr<Item*[]> items;
    std::unique_ptr<std::uint16_t[]> tags;
    unsigned bits = 0; // the capacity is 2^bits, or 0
    std::size_t count = 0;
};

#endif
