#include "store/ValueIndex.h"

#include "store/Item.h"

#include <functional>

namespace {
constexpr unsigned smallestBits = 4;
} // namespace

std::uint32_t ValueIndex::Hash(std::string_view bytes)
{
    const std::size_t hash = std::hash<std::string_view>()(bytes);
    return std::uint32_t(hash ^ (std::uint64_t(hash) >> 32));
}

Item* ValueIndex::Find(std::string_view bytes, std::uint32_t hash) const
{
    if (count == 0)
        return nullptr;
    const std::uint16_t tag = Tag(hash);
    for (std::size_t slot = Home(hash); tags[slot]; slot = Next(slot))
        if (tags[slot] == tag && items[slot]->valueHash == hash && items[slot]->GetValue().Bytes() == bytes)
            return items[slot];
    return nullptr;
}

void ValueIndex::Insert(Item* item)
{
    if ((count + 1) * 5 > Capacity() * 4)
        Rehash(bits ? bits + 1 : smallestBits);
    Place(item);
    ++count;
}

void ValueIndex::Place(Item* item)
{
    std::size_t slot = Home(item->valueHash);
    while (tags[slot])
        slot = Next(slot);
    items[slot] = item;
    tags[slot] = Tag(item->valueHash);
}

bool ValueIndex::Erase(const Item* item)
{
    if (count == 0)
        return false;
    std::size_t hole = Home(item->valueHash);
    while (items[hole] != item) {
        if (!tags[hole])
            return false;
        hole = Next(hole);
    }
    // Moves back every later item of the run that may live in the hole, so that no lookup meets a free slot
    // before its item.
    for (std::size_t next = Next(hole); tags[next]; next = Next(next)) {
        const std::size_t home = Home(items[next]->valueHash);
        const bool movable = hole <= next ? (home <= hole || home > next) : (home <= hole && home > next);
        if (movable) {
            items[hole] = items[next];
            tags[hole] = tags[next];
            hole = next;
        }
    }
    tags[hole] = 0;
    items[hole] = nullptr;
    if (--count == 0)
        Clear();
    else if (bits > smallestBits && count * 5 < Capacity())
        Rehash(bits - 1);
    return true;
}

void ValueIndex::Clear()
{
    items.reset();
    tags.reset();
    bits = 0;
    count = 0;
}

void ValueIndex::Rehash(unsigned newBits)
{
    const std::size_t oldCapacity = Capacity();
    std::unique_ptr<Item*[]> oldItems(new Item*[std::size_t(1) << newBits]());
    std::unique_ptr<std::uint16_t[]> oldTags(new std::uint16_t[std::size_t(1) << newBits]());
    oldItems.swap(items);
    oldTags.swap(tags);
    bits = newBits;
    for (std::size_t n = 0; n < oldCapacity; ++n)
        if (oldTags[n])
            Place(oldItems[n]);
}
