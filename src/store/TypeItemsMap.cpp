#include "store/ItemSet.h"

#include <algorithm>
#include <functional>
#include <new>

namespace {

bool EntryBefore(const TypeItemsMap::Entry& entry, Type* type)
{
    return std::less<Type*>()(entry.GetType(), type);
}

} // namespace

TypeItemsMap::TypeItemsMap(const TypeItemsMap& other)
    : many{nullptr, nullptr}
{
    if (other.IsSingle()) {
        new (&single) Entry(other.single);
        return;
    }
    if (!other.many.block)
        return;
    Header* block = Allocate(other.Size());
    Entry* entries = reinterpret_cast<Entry*>(block + 1);
    std::size_t built = 0;
    try {
        for (const Entry& entry : other) {
            new (entries + built) Entry(entry);
            ++built;
        }
    } catch (...) {
        while (built > 0)
            entries[--built].~Entry();
        ::operator delete(block);
        throw;
    }
    many.block = block;
}

TypeItemsMap::TypeItemsMap(TypeItemsMap&& other) noexcept
    : many{nullptr, nullptr}
{
    *this = std::move(other);
}

TypeItemsMap& TypeItemsMap::operator=(const TypeItemsMap& other)
{
    if (this != &other) {
        TypeItemsMap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TypeItemsMap& TypeItemsMap::operator=(TypeItemsMap&& other) noexcept
{
    if (this == &other)
        return *this;
    Clear();
    if (other.IsSingle()) {
        new (&single) Entry(std::move(other.single));
        other.Clear();
    } else {
        many = other.many;
        other.many = Many{nullptr, nullptr};
    }
    return *this;
}

void TypeItemsMap::Clear() noexcept
{
    if (IsSingle()) {
        single.~Entry();
    } else if (many.block) {
        for (Entry& entry : *this)
            entry.~Entry();
        ::operator delete(many.block);
    }
    new (&many) Many{nullptr, nullptr};
}

TypeItemsMap::Entry* TypeItemsMap::begin()
{
    return IsSingle() ? &single : Entries();
}

std::size_t TypeItemsMap::LowerBound(Type* type) const
{
    return std::size_t(std::lower_bound(begin(), end(), type, EntryBefore) - begin());
}

TypeItemsMap::Header* TypeItemsMap::Allocate(std::size_t count)
{
    Header* fresh = static_cast<Header*>(::operator new(sizeof(Header) + count * sizeof(Entry)));
    fresh->count = count;
    return fresh;
}

ItemSet& TypeItemsMap::operator[](Type* type)
{
    if (!IsSingle() && !many.block)
        return (new (&single) Entry(type))->Set();
    if (IsSingle()) {
        if (single.GetType() == type)
            return single.Set();
        Header* fresh = Allocate(2);
        Entry* entries = reinterpret_cast<Entry*>(fresh + 1);
        const std::size_t index = EntryBefore(single, type) ? 1 : 0;
        new (entries + 1 - index) Entry(std::move(single));
        new (entries + index) Entry(type);
        single.~Entry();
        new (&many) Many{nullptr, fresh};
        return entries[index].Set();
    }
    const std::size_t index = LowerBound(type);
    if (index != Size() && Entries()[index].GetType() == type)
        return Entries()[index].Set();
    // Sized exactly: items have few types, and an entry moves without
    // throwing (a type and a set handle).
    const std::size_t present = Size();
    Header* fresh = Allocate(present + 1);
    Entry* target = reinterpret_cast<Entry*>(fresh + 1);
    new (target + index) Entry(type);
    for (std::size_t n = 0; n < present; ++n) {
        new (target + (n < index ? n : n + 1)) Entry(std::move(Entries()[n]));
        Entries()[n].~Entry();
    }
    ::operator delete(many.block);
    many.block = fresh;
    return target[index].Set();
}

void TypeItemsMap::Erase(Type* type)
{
    if (IsSingle()) {
        if (single.GetType() == type)
            Clear();
        return;
    }
    const std::size_t index = LowerBound(type);
    if (index == Size() || Entries()[index].GetType() != type)
        return;
    Entry* entries = Entries();
    if (Size() == 2) {
        // Back to the entry in place.
        Entry kept(std::move(entries[1 - index]));
        Clear();
        new (&single) Entry(std::move(kept));
        return;
    }
    // In place, so that letting go never allocates; the spare room is freed
    // with the array.
    for (std::size_t n = index + 1; n < Size(); ++n)
        entries[n - 1] = std::move(entries[n]);
    entries[Size() - 1].~Entry();
    --many.block->count;
}

ItemSet* TypeItemsMap::Find(Type* type)
{
    if (IsSingle())
        return single.GetType() == type ? &single.Set() : nullptr;
    const std::size_t index = LowerBound(type);
    return index != Size() && Entries()[index].GetType() == type ? &Entries()[index].Set() : nullptr;
}
