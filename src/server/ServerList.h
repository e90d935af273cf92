#ifndef SERVER_SERVERLIST_H
#define SERVER_SERVERLIST_H

#include "wire/InputStream.h"
#include "wire/WireLimits.h"

#include <vector>

// Reads a list from a server message: a uint32 count, then the elements.
// A count above MaxWireListCount is taken as an empty list (true, nothing
// more read). Reading stops at the first element that cannot be read; the
// elements read so far stay in the list and false tells that the message
// ended there.
template <class T, class ReadElement>
bool ReadServerList(InputStream& in, std::vector<T>& list, ReadElement readElement)
{
    list.clear();
    uint32_t count = 0;
    if (!in.Read(count))
        return false;
    if (count > MaxWireListCount)
        return true;
    for (uint32_t n = 0; n < count; ++n) {
        T element{};
        if (!readElement(element))
            return false;
        list.push_back(std::move(element));
    }
    return true;
}

// A list of single wire words or records.
template <class T>
bool ReadServerList(InputStream& in, std::vector<T>& list)
{
    return ReadServerList(in, list, [&in](T& element) { return in.Read(element); });
}

#endif
