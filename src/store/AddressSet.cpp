#include "store/AddressSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

// A sorted array of addresses; the addresses follow the header in the same
// allocation.
struct AddressSet::Block
{
    std::uint32_t length;
    std::uint32_t capacity;

    Item** Items() { return reinterpret_cast<Item**>(this + 1); }
    Item** End() { return Items() + length; }
};

// One array of a split set, with its lowest address kept beside it so that a
// lookup searches the directory without touching the arrays.
struct AddressSet::Chunk
{
    Item* low;
    Block* block;
};

struct AddressSet::Chunks
{
    std::size_t size;
    std::vector<Chunk> directory;
};

namespace {

bool Less(const Item* a, const Item* b)
{
    return std::less<const Item*>()(a, b);
}

// An even capacity fills the allocator's 16-byte granules exactly.
std::uint32_t Even(std::size_t count)
{
    return std::uint32_t(std::max<std::size_t>(2, count + (count & 1)));
}

// A quarter more each time: arrays of the word index grow one address at a
// time, and a smaller step wastes less of the last growth.
std::uint32_t Grown(std::uint32_t capacity)
{
    return std::min(AddressSet::maxBlockLength, Even(capacity + std::max<std::uint32_t>(2, capacity / 4)));
}

} // namespace

namespace {

using Block = AddressSet::Block;

Block* NewBlock(std::uint32_t capacity)
{
    void* memory = std::malloc(sizeof(Block) + capacity * sizeof(Item*));
    if (!memory)
        throw std::bad_alloc();
    Block* block = static_cast<Block*>(memory);
    block->length = 0;
    block->capacity = capacity;
    return block;
}

Block* ResizeBlock(Block* block, std::uint32_t capacity)
{
    void* memory = std::realloc(block, sizeof(Block) + capacity * sizeof(Item*));
    if (!memory)
        throw std::bad_alloc();
    block = static_cast<Block*>(memory);
    block->capacity = capacity;
    return block;
}

Block* CopyOf(Item* const* items, std::uint32_t length)
{
    Block* block = NewBlock(Even(length));
    std::memcpy(block->Items(), items, length * sizeof(Item*));
    block->length = length;
    return block;
}

// Gives back most of the room an array no longer needs after erasures.
Block* Trimmed(Block* block)
{
    if (block->capacity > 8 && block->length * 4 <= block->capacity)
        return ResizeBlock(block, Even(block->length * 2));
    return block;
}

Item** LowerBound(Block* block, const Item* item)
{
    return std::lower_bound(block->Items(), block->End(), item, Less);
}

bool Holds(Block* block, Item** position, const Item* item)
{
    return position != block->End() && *position == item;
}

// Puts the item at the position of a block that has room.
void Place(Block* block, Item** position, Item* item)
{
    std::memmove(position + 1, position, std::size_t(block->End() - position) * sizeof(Item*));
    *position = item;
    ++block->length;
}

void Take(Block* block, Item** position)
{
    std::memmove(position, position + 1, std::size_t(block->End() - position - 1) * sizeof(Item*));
    --block->length;
}

} // namespace

void AddressSet::Iterator::NextChunk()
{
    if (chunk && ++chunk != lastChunk) {
        position = chunk->block->Items();
        stop = chunk->block->End();
        return;
    }
    position = stop = nullptr;
    chunk = lastChunk = nullptr;
}

AddressSet::AddressSet(const AddressSet& other)
{
    switch (other.GetForm()) {
    case Single: bits = other.bits; break;
    case Flat: {
        Block* block = other.GetBlock();
        SetBlock(CopyOf(block->Items(), block->length));
        break;
    }
    case Split: {
        const Chunks* source = other.GetChunks();
        Chunks* copy = new Chunks{source->size, {}};
        try {
            copy->directory.reserve(source->directory.size());
            for (const Chunk& chunk : source->directory)
                copy->directory.push_back({chunk.low, CopyOf(chunk.block->Items(), chunk.block->length)});
        } catch (...) {
            for (const Chunk& chunk : copy->directory)
                std::free(chunk.block);
            delete copy;
            throw;
        }
        SetChunks(copy);
        break;
    }
    }
}

AddressSet& AddressSet::operator=(const AddressSet& other)
{
    if (this != &other) {
        AddressSet copy(other);
        *this = std::move(copy);
    }
    return *this;
}

AddressSet& AddressSet::operator=(AddressSet&& other) noexcept
{
    if (this != &other) {
        Release();
        bits = other.bits;
        other.bits = 0;
    }
    return *this;
}

void AddressSet::Release()
{
    switch (GetForm()) {
    case Single: break;
    case Flat: std::free(GetBlock()); break;
    case Split:
        for (const Chunk& chunk : GetChunks()->directory)
            std::free(chunk.block);
        delete GetChunks();
        break;
    }
    bits = 0;
}

AddressSet AddressSet::FromSorted(Item* const* items, std::size_t count)
{
    AddressSet set;
    if (count == 1) {
        set.bits = reinterpret_cast<std::uintptr_t>(items[0]);
    } else if (count > 1 && count <= maxBlockLength) {
        set.SetBlock(CopyOf(items, std::uint32_t(count)));
    } else if (count > maxBlockLength) {
        Chunks* chunks = new Chunks{count, {}};
        set.SetChunks(chunks);
        chunks->directory.reserve((count + maxBlockLength - 1) / maxBlockLength);
        for (std::size_t start = 0; start < count; start += maxBlockLength) {
            const auto length = std::uint32_t(std::min<std::size_t>(maxBlockLength, count - start));
            chunks->directory.push_back({items[start], nullptr});
            chunks->directory.back().block = CopyOf(items + start, length);
        }
    }
    return set;
}

AddressSet::Iterator AddressSet::ArraysBegin() const
{
    Iterator it;
    switch (GetForm()) {
    case Single: break;
    case Flat:
        it.position = GetBlock()->Items();
        it.stop = GetBlock()->End();
        break;
    case Split: {
        const std::vector<Chunk>& directory = GetChunks()->directory;
        it.chunk = directory.data();
        it.lastChunk = directory.data() + directory.size();
        it.position = it.chunk->block->Items();
        it.stop = it.chunk->block->End();
        break;
    }
    }
    return it;
}

std::size_t AddressSet::ArraysSize() const
{
    switch (GetForm()) {
    case Single: break;
    case Flat: return GetBlock()->length;
    case Split: return GetChunks()->size;
    }
    return 0;
}

Item* AddressSet::ArraysFirst() const
{
    switch (GetForm()) {
    case Single: break;
    case Flat: return GetBlock()->Items()[0];
    case Split: return GetChunks()->directory.front().low;
    }
    return nullptr;
}

namespace {

// The chunk that holds or would hold the item: the last whose lowest address
// is not above it, or the first when the item is below them all.
std::size_t ChunkFor(const std::vector<AddressSet::Chunk>& directory, const Item* item)
{
    auto after
        = std::upper_bound(directory.begin(), directory.end(), item,
                           [](const Item* wanted, const AddressSet::Chunk& chunk) { return Less(wanted, chunk.low); });
    return after == directory.begin() ? 0 : std::size_t(after - directory.begin()) - 1;
}

} // namespace

bool AddressSet::ArraysContain(const Item* item) const
{
    switch (GetForm()) {
    case Single: break;
    case Flat: return Holds(GetBlock(), LowerBound(GetBlock(), item), item);
    case Split: {
        Block* block = GetChunks()->directory[ChunkFor(GetChunks()->directory, item)].block;
        return Holds(block, LowerBound(block, item), item);
    }
    }
    return false;
}

AddressSet::Iterator AddressSet::Find(const Item* item) const
{
    Iterator it;
    switch (GetForm()) {
    case Single:
        if (Contains(item))
            it.single = reinterpret_cast<Item*>(bits);
        break;
    case Flat: {
        Block* block = GetBlock();
        Item** position = LowerBound(block, item);
        if (Holds(block, position, item)) {
            it.position = position;
            it.stop = block->End();
        }
        break;
    }
    case Split: {
        const std::vector<Chunk>& directory = GetChunks()->directory;
        const Chunk* chunk = directory.data() + ChunkFor(directory, item);
        Item** position = LowerBound(chunk->block, item);
        if (Holds(chunk->block, position, item)) {
            it.chunk = chunk;
            it.lastChunk = directory.data() + directory.size();
            it.position = position;
            it.stop = chunk->block->End();
        }
        break;
    }
    }
    return it;
}

bool AddressSet::Insert(Item* item)
{
    if (!item)
        return false;
    switch (GetForm()) {
    case Single: {
        Item* one = reinterpret_cast<Item*>(bits);
        if (!one) {
            bits = reinterpret_cast<std::uintptr_t>(item);
            return true;
        }
        if (one == item)
            return false;
        Block* block = NewBlock(2);
        block->Items()[0] = Less(one, item) ? one : item;
        block->Items()[1] = Less(one, item) ? item : one;
        block->length = 2;
        SetBlock(block);
        return true;
    }
    case Flat: {
        Block* block = GetBlock();
        Item** position = LowerBound(block, item);
        if (Holds(block, position, item))
            return false;
        if (block->length == block->capacity) {
            if (block->capacity == maxBlockLength) {
                SetChunks(new Chunks{block->length, {{block->Items()[0], block}}});
                return InsertSplit(item);
            }
            const std::ptrdiff_t offset = position - block->Items();
            block = ResizeBlock(block, Grown(block->capacity));
            SetBlock(block);
            position = block->Items() + offset;
        }
        Place(block, position, item);
        return true;
    }
    case Split: return InsertSplit(item);
    }
    return false;
}

bool AddressSet::InsertSplit(Item* item)
{
    Chunks* chunks = GetChunks();
    std::vector<Chunk>& directory = chunks->directory;
    std::size_t index = ChunkFor(directory, item);
    Block* block = directory[index].block;
    Item** position = LowerBound(block, item);
    if (Holds(block, position, item))
        return false;
    if (block->length == maxBlockLength) {
        if (position == block->End() && index + 1 == directory.size()) {
            // Ascending inserts start a new last array and leave the full one full.
            Block* fresh = NewBlock(2);
            fresh->Items()[0] = item;
            fresh->length = 1;
            try {
                directory.push_back({item, fresh});
            } catch (...) {
                std::free(fresh);
                throw;
            }
            ++chunks->size;
            return true;
        }
        const std::uint32_t half = block->length / 2;
        Block* upper = CopyOf(block->Items() + half, block->length - half);
        try {
            directory.insert(directory.begin() + std::ptrdiff_t(index) + 1, {upper->Items()[0], upper});
        } catch (...) {
            std::free(upper);
            throw;
        }
        block->length = half;
        if (!Less(item, upper->Items()[0])) {
            ++index;
            block = upper;
        }
        position = LowerBound(block, item);
    }
    if (block->length == block->capacity) {
        const std::ptrdiff_t offset = position - block->Items();
        block = ResizeBlock(block, Grown(block->capacity));
        directory[index].block = block;
        position = block->Items() + offset;
    }
    Place(block, position, item);
    directory[index].low = block->Items()[0];
    ++chunks->size;
    return true;
}

bool AddressSet::Erase(const Item* item)
{
    switch (GetForm()) {
    case Single:
        if (!item || bits != reinterpret_cast<std::uintptr_t>(item))
            return false;
        bits = 0;
        return true;
    case Flat: {
        Block* block = GetBlock();
        Item** position = LowerBound(block, item);
        if (!Holds(block, position, item))
            return false;
        Take(block, position);
        if (block->length == 1) {
            bits = reinterpret_cast<std::uintptr_t>(block->Items()[0]);
            std::free(block);
        } else {
            SetBlock(Trimmed(block));
        }
        return true;
    }
    case Split: return EraseSplit(item);
    }
    return false;
}

bool AddressSet::EraseSplit(const Item* item)
{
    Chunks* chunks = GetChunks();
    std::vector<Chunk>& directory = chunks->directory;
    const std::size_t index = ChunkFor(directory, item);
    Block* block = directory[index].block;
    Item** position = LowerBound(block, item);
    if (!Holds(block, position, item))
        return false;
    Take(block, position);
    --chunks->size;
    if (block->length == 0) {
        std::free(block);
        directory.erase(directory.begin() + std::ptrdiff_t(index));
    } else {
        block = Trimmed(block);
        directory[index] = {block->Items()[0], block};
    }
    if (chunks->size <= maxBlockLength / 4 || directory.size() == 1)
        Join();
    return true;
}

void AddressSet::Join()
{
    Chunks* chunks = GetChunks();
    std::vector<Item*> items;
    items.reserve(chunks->size);
    for (const Chunk& chunk : chunks->directory)
        items.insert(items.end(), chunk.block->Items(), chunk.block->End());
    *this = FromSorted(items.data(), items.size());
}

std::size_t AddressSet::HeapBytes() const
{
    switch (GetForm()) {
    case Single: return 0;
    case Flat: return sizeof(Block) + GetBlock()->capacity * sizeof(Item*);
    case Split: {
        const Chunks* chunks = GetChunks();
        std::size_t bytes = sizeof(Chunks) + chunks->directory.capacity() * sizeof(Chunk);
        for (const Chunk& chunk : chunks->directory)
            bytes += sizeof(Block) + chunk.block->capacity * sizeof(Item*);
        return bytes;
    }
    }
    return 0;
}
