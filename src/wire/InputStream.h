#ifndef WIRE_INPUTSTREAM_H
#define WIRE_INPUTSTREAM_H

#include "wire/Persistent.h"
#include "wire/WireLimits.h"

#include <QString>
#include <QtEndian>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

// Reads the little-endian wire words of every server and peer message.
//
// Every Read returns false when the data is short or out of bounds; the caller
// then drops the message (or closes the connection). The width of an integer
// read is the width of the target: read a uint32 into a uint32_t, a uint8 into
// a uint8_t, and so on. Any non-zero byte reads as a true bool.
//
// A multi-part read (a string's count, then its bytes; a list's count, then its
// elements) that fails part-way leaves the position after the last part that
// succeeded.
class InputStream
{
public:
    virtual ~InputStream() = default;

    // Copies exactly n bytes into out and advances; false (and nothing
    // consumed) when fewer than n bytes are available.
    virtual bool ReadBuffer(void* out, size_t n) = 0;

    template <class T, std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>, int> = 0>
    bool Read(T& value)
    {
        unsigned char bytes[sizeof(T)];
        if (!ReadBuffer(bytes, sizeof(T)))
            return false;
        if constexpr (std::is_same_v<T, bool>) {
            value = bytes[0] != 0;
        } else if constexpr (std::is_enum_v<T>) {
            using Underlying = std::underlying_type_t<T>;
            value = T(qFromLittleEndian<Underlying>(bytes));
        } else {
            value = qFromLittleEndian<T>(bytes);
        }
        return true;
    }

    // A string word: uint32 byte count (at most MaxWireStringLength), then the
    // bytes. The text is cut at the first NUL byte; the bytes are kept raw.
    bool Read(std::string& bytes);

    // A string word decoded by ToQString (UTF-8, else the chosen code page).
    bool Read(QString& text);

    bool Read(StreamReadable& record) { return record.Read(*this); }

    // A uint32 element count, refused when above MaxWireListCount.
    bool ReadCount(uint32_t& count);

    // Reads a bounded count and calls readElement() that many times, stopping
    // at the first false. For lists whose elements need more than one Read.
    template <class ReadElement>
    bool ReadList(ReadElement readElement)
    {
        uint32_t count = 0;
        if (!ReadCount(count))
            return false;
        for (uint32_t i = 0; i < count; ++i)
            if (!readElement())
                return false;
        return true;
    }

    // Lists: a bounded count, then the elements. The target is cleared first;
    // duplicate set elements or map keys collapse (the last map value wins).
    template <class T>
    bool Read(std::vector<T>& list)
    {
        list.clear();
        return ReadList([&] {
            T element{};
            if (!Read(element))
                return false;
            list.push_back(std::move(element));
            return true;
        });
    }

    template <class T>
    bool Read(std::set<T>& set)
    {
        set.clear();
        return ReadList([&] {
            T element{};
            if (!Read(element))
                return false;
            set.insert(std::move(element));
            return true;
        });
    }

    template <class K, class V>
    bool Read(std::map<K, V>& map)
    {
        map.clear();
        return ReadList([&] {
            K key{};
            V value{};
            if (!Read(key) || !Read(value))
                return false;
            map[std::move(key)] = std::move(value);
            return true;
        });
    }
};

#endif
