#ifndef PEER_LIVEOBJECTS_H
#define PEER_LIVEOBJECTS_H

#include "store/ItemPtr.h"
#include "store/Value.h"

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

// Live objects that items name by their address. The graph holds only the
// address as text; the object is found again through this registry, never by
// turning text back into a pointer, so a stale or forged value finds nothing.
// With Owned, the registry also owns the objects and deletes them when they
// are forgotten.
template <class T, bool Owned = false>
class LiveObjects
{
public:
    LiveObjects() = default;
    LiveObjects(const LiveObjects&) = delete;
    LiveObjects& operator=(const LiveObjects&) = delete;
    ~LiveObjects()
    {
        if constexpr (Owned)
            for (auto& entry : objects)
                delete entry.second;
    }

    // Registers the object (taking it when Owned); returns the value that names it.
    Value Add(T* object)
    {
        Value value(static_cast<const void*>(object));
        objects.emplace(value.Bytes(), object);
        return value;
    }

    T* Find(const Value& value) const
    {
        const auto found = objects.find(value.Bytes());
        return found == objects.end() ? nullptr : found->second;
    }
    T* Find(ItemPtr item) const { return item ? Find(item.GetValue()) : nullptr; }
    bool Contains(const T* object) const { return objects.count(Value(static_cast<const void*>(object)).Bytes()) > 0; }

    // Forgets the object (deleting it when Owned); false when it was not here.
    bool Remove(const T* object) { return Remove(Value(static_cast<const void*>(object))); }
    bool Remove(const Value& value)
    {
        const auto found = objects.find(value.Bytes());
        if (found == objects.end())
            return false;
        T* object = found->second;
        objects.erase(found);
        if constexpr (Owned)
            delete object;
        return true;
    }

    std::size_t Size() const { return objects.size(); }

    // The objects, in no particular order; the visit must not change the registry.
    template <class Visit>
    void ForEach(Visit visit) const
    {
        for (const auto& entry : objects)
            visit(entry.second);
    }

private:
    std::unordered_map<std::string, T*> objects;
};

#endif
