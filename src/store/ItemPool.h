#ifndef STORE_ITEMPOOL_H
#define STORE_ITEMPOOL_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Memory for the items of one type: slabs of equal slots, so that the items a type creates one after another
// lie side by side (a walk over a type's items, such as saving them, then reads memory in order rather than
// all over the heap) and no item pays the allocator's per-block overhead. Fresh slots are handed out in
// ascending address order within a slab; a slab whose last slot is freed is given back (but for the last
// slab of the pool, which a type emptied and filled again would otherwise allocate over and over).
class ItemPool
{
public:
    explicit ItemPool(std::size_t slotSize);
    ItemPool(const ItemPool&) = delete;
    ItemPool& operator=(const ItemPool&) = delete;
    // Frees every slab; whatever lived in the slots must be destroyed already.
    ~ItemPool();

    void* Allocate();
    void Free(void* slot);
    std::size_t SlabCount() const { return slabs.size(); }

private:
    struct Slab;

    void AddSlab();
    void Release(Slab* slab);
    Slab* SlabOf(const void* slot) const;

    std::size_t slotSize;
    std::uint32_t nextSlabSlots;
    // By address, to find the slab of a freed slot.
    std::vector<Slab*> slabs;
    // Slabs with a free slot; the last is filled first.
    std::vector<Slab*> withRoom;
};

#endif
