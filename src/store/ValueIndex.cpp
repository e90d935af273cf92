#include "store/ValueIndex.h"

#include "store/Item.h"

#include <functional>

namespace {

constexpr std::size_t smallestCapacity = 16;

std::string_view BytesOf(const Item* item)
{
    return item->GetValue().Bytes();
}

} // namespace

std::uint32_t ValueIndex::Hash(std::string_view bytes)
{
    const std::size_t hash = std::hash<std::string_view>()(bytes);
    return std::uint32_t(hash ^ (std::uint64_t(hash) >> 32));
}

Item* ValueIndex::Find(std::string_view bytes, std::uint32_t hash) const
{
    if (capacity == 0)
        return nullptr;
    for (std::size_t slot = Home(hash); Item* item = table[slot]; slot = Next(slot))
        if (item->valueHash == hash && BytesOf(item) == bytes)
            return item;
    return nullptr;
}

void ValueIndex::Insert(Item* item)
{
    if ((count + 1) * 8 > capacity * 7)
        Rehash(capacity ? capacity * 2 : smallestCapacity);
    Place(item);
    ++count;
}

void ValueIndex::Place(Item* item)
{
    std::size_t slot = Home(item->valueHash);
    while (table[slot])
        slot = Next(slot);
    table[slot] = item;
}

bool ValueIndex::Erase(const Item* item)
{
    if (capacity == 0)
        return false;
    std::size_t hole = Home(item->valueHash);
    while (table[hole] != item) {
        if (!table[hole])
            return false;
        hole = Next(hole);
    }
    // Moves back every later item of the run that may live in the hole, so
    // that no lookup meets an empty slot before its item.
    for (std::size_t next = Next(hole); table[next]; next = Next(next)) {
        const std::size_t home = Home(table[next]->valueHash);
        const bool movable = hole <= next ? (home <= hole || home > next) : (home <= hole && home > next);
        if (movable) {
            table[hole] = table[next];
            hole = next;
        }
    }
    table[hole] = nullptr;
    if (--count == 0)
        Clear();
    else if (capacity > smallestCapacity && count * 4 < capacity)
        Rehash(capacity / 2);
    return true;
}

void ValueIndex::Clear()
{
    table.reset();
    capacity = 0;
    count = 0;
}

void ValueIndex::Rehash(std::size_t newCapacity)
{
    std::unique_ptr<Item*[]> old(new Item*[newCapacity]());
    old.swap(table);
    const std::size_t oldCapacity = capacity;
    capacity = newCapacity;
    for (std::size_t n = 0; n < oldCapacity; ++n)
        if (old[n])
            Place(old[n]);
}
