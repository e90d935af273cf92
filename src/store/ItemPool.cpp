#include "store/ItemPool.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLMER_ASAN 1
#endif
#elif defined(__SANITIZE_ADDRESS__)
#define QUILLMER_ASAN 1
#endif
#ifdef QUILLMER_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {
// Under the address sanitizer a free slot is poisoned, so that a use of a removed item is still caught
// although its memory stays in the pool.
void Poison(void* memory, std::size_t bytes)
{
#ifdef QUILLMER_ASAN
    ASAN_POISON_MEMORY_REGION(memory, bytes);
#else
    (void)memory;
    (void)bytes;
#endif
}

void Unpoison(void* memory, std::size_t bytes)
{
#ifdef QUILLMER_ASAN
    ASAN_UNPOISON_MEMORY_REGION(memory, bytes);
#else
    (void)memory;
    (void)bytes;
#endif
}

constexpr std::uint32_t firstSlabSlots = 16;
// Slabs stay well below the size the allocator maps on its own: those mappings come in descending address
// order, and item sets are cheapest to fill in ascending order.
constexpr std::size_t largestSlabBytes = 32 * 1024;

struct FreeSlot
{
    FreeSlot* next;
};
} // namespace

// The slots follow the header in the same allocation.
struct ItemPool::Slab
{
    std::uint32_t capacity;
    std::uint32_t fresh = 0; // slots handed out at least once
    std::uint32_t live = 0;
    bool hasRoom = true;
    FreeSlot* freed = nullptr;

    explicit Slab(std::uint32_t slots)
        : capacity(slots)
    {
    }
    char* Slots() { return reinterpret_cast<char*>(this) + headerBytes; }
    static constexpr std::size_t headerBytes = 32;
};

ItemPool::ItemPool(std::size_t size)
    : slotSize((std::max(size, sizeof(FreeSlot)) + 7) & ~std::size_t(7))
    , nextSlabSlots(firstSlabSlots)
{
    static_assert(sizeof(Slab) <= Slab::headerBytes, "the slots must not overlap the slab's header");
}

ItemPool::~ItemPool()
{
    for (Slab* slab : slabs)
        Release(slab);
}

void ItemPool::Release(Slab* slab)
{
    Unpoison(slab->Slots(), slab->capacity * slotSize);
    std::free(slab);
}

void ItemPool::AddSlab()
{
    void* memory = std::malloc(Slab::headerBytes + nextSlabSlots * slotSize);
    if (!memory)
        throw std::bad_alloc();
    Slab* slab = new (memory) Slab(nextSlabSlots);
    Poison(slab->Slots(), slab->capacity * slotSize);
    try {
        slabs.insert(std::upper_bound(slabs.begin(), slabs.end(), slab, std::less<Slab*>()), slab);
        // Room for every slab, so that freeing a slot never allocates.
        withRoom.reserve(slabs.size());
        withRoom.push_back(slab);
    } catch (...) {
        slabs.erase(std::remove(slabs.begin(), slabs.end(), slab), slabs.end());
        Release(slab);
        throw;
    }
    nextSlabSlots = std::uint32_t(
        std::min<std::size_t>(nextSlabSlots * 2, std::max<std::size_t>(firstSlabSlots, largestSlabBytes / slotSize)));
}

void* ItemPool::Allocate()
{
    if (withRoom.empty())
        AddSlab();
    Slab* slab = withRoom.back();
    void* slot;
    if (slab->freed) {
        slot = slab->freed;
        Unpoison(slot, slotSize);
        slab->freed = slab->freed->next;
    } else {
        slot = slab->Slots() + slab->fresh++ * slotSize;
        Unpoison(slot, slotSize);
    }
    ++slab->live;
    if (!slab->freed && slab->fresh == slab->capacity) {
        slab->hasRoom = false;
        withRoom.pop_back();
    }
    return slot;
}

ItemPool::Slab* ItemPool::SlabOf(const void* slot) const
{
    auto after = std::upper_bound(slabs.begin(), slabs.end(), slot, [](const void* wanted, const Slab* slab) {
        return std::less<const void*>()(wanted, slab);
    });
    return *(after - 1);
}

void ItemPool::Free(void* slot)
{
    Slab* slab = SlabOf(slot);
    if (--slab->live == 0 && slabs.size() > 1) {
        slabs.erase(std::lower_bound(slabs.begin(), slabs.end(), slab, std::less<Slab*>()));
        if (slab->hasRoom)
            withRoom.erase(std::find(withRoom.begin(), withRoom.end(), slab));
        Release(slab);
        return;
    }
    slab->freed = new (slot) FreeSlot{slab->freed};
    Poison(slot, slotSize);
    if (!slab->hasRoom) {
        withRoom.push_back(slab);
        slab->hasRoom = true;
    }
}
