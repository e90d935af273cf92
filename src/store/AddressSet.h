#ifndef STORE_ADDRESSSET_H
#define STORE_ADDRESSSET_H

#include "store/ItemPtr.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

class Item;

// Distinct items in ascending address order, laid out for the sizes the graph
// has: most sets hold one item (kept in the handle itself, no allocation),
// many hold a few dozen (one sorted array), and a few hold tens of thousands
// (a directory of sorted arrays of bounded length, so that an insert or an
// erase moves at most one array's worth of addresses). Appending addresses in
// ascending order, the usual case since new items tend to get higher
// addresses, fills the arrays completely.
//
// Any change of a set invalidates its iterators.
class AddressSet
{
public:
    // The layout, known only to the implementation.
    struct Block;
    struct Chunk;
    struct Chunks;

    // The longest sorted array; longer sets are split into several.
    static constexpr std::uint32_t maxBlockLength = 512;

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
        ::Item* Item() const { return position ? *position : single; }
        Iterator& operator++()
        {
            if (!position)
                single = nullptr;
            else if (++position == stop)
                NextChunk();
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const Iterator& other) const { return position == other.position && single == other.single; }
        bool operator!=(const Iterator& other) const { return !(*this == other); }

    private:
        friend class AddressSet;
        void NextChunk();

        // The one member of a set held inline.
        ::Item* single = nullptr;
        // Within an array: the current slot and the end of its array.
        ::Item* const* position = nullptr;
        ::Item* const* stop = nullptr;
        // For split sets: the current array's directory entry and the end of
        // the directory.
        const Chunk* chunk = nullptr;
        const Chunk* lastChunk = nullptr;
    };

    AddressSet() = default;
    explicit AddressSet(Item* item) noexcept
        : bits(reinterpret_cast<std::uintptr_t>(item))
    {
    }
    AddressSet(const AddressSet& other);
    AddressSet(AddressSet&& other) noexcept
        : bits(other.bits)
    {
        other.bits = 0;
    }
    AddressSet& operator=(const AddressSet& other);
    AddressSet& operator=(AddressSet&& other) noexcept;
    ~AddressSet() { Release(); }

    // From addresses already ascending and distinct, in linear time.
    static AddressSet FromSorted(Item* const* items, std::size_t count);

    // The inline member is answered here; arrays out of line.
    Iterator begin() const
    {
        if (GetForm() != Single)
            return ArraysBegin();
        Iterator it;
        it.single = reinterpret_cast<Item*>(bits);
        return it;
    }
    Iterator end() const { return Iterator(); }
    std::size_t Size() const { return GetForm() == Single ? (bits ? 1 : 0) : ArraysSize(); }
    bool Empty() const { return bits == 0; }
    bool IsSingle() const { return bits != 0 && GetForm() == Single; }
    // The lowest address, or null.
    Item* First() const { return GetForm() == Single ? reinterpret_cast<Item*>(bits) : ArraysFirst(); }
    bool Contains(const Item* item) const
    {
        return GetForm() == Single ? item && bits == reinterpret_cast<std::uintptr_t>(item) : ArraysContain(item);
    }
    Iterator Find(const Item* item) const;

    // Both return whether the set changed.
    bool Insert(Item* item);
    bool Erase(const Item* item);
    void Clear() { Release(); }

    // The heap bytes the set holds beyond its handle (for measurements).
    std::size_t HeapBytes() const;

private:
    enum Form : std::uintptr_t
    {
        Single = 0, // the handle is the item's address (or 0 when empty)
        Flat = 1,   // the handle points to one Block
        Split = 2,  // the handle points to Chunks
    };
    static constexpr std::uintptr_t formBits = 3;

    Form GetForm() const { return Form(bits & formBits); }
    Block* GetBlock() const { return reinterpret_cast<Block*>(bits & ~formBits); }
    Chunks* GetChunks() const { return reinterpret_cast<Chunks*>(bits & ~formBits); }
    void SetBlock(Block* block) { bits = reinterpret_cast<std::uintptr_t>(block) | Flat; }
    void SetChunks(Chunks* chunks) { bits = reinterpret_cast<std::uintptr_t>(chunks) | Split; }

    Iterator ArraysBegin() const;
    std::size_t ArraysSize() const;
    Item* ArraysFirst() const;
    bool ArraysContain(const Item* item) const;
    void Release();
    bool InsertSplit(Item* item);
    bool EraseSplit(const Item* item);
    // Back to one array (or the inline item) once a split set has shrunk.
    void Join();

    std::uintptr_t bits = 0;
};

#endif
