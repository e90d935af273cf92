#ifndef WIRE_OUTPUTSTREAM_H
#define WIRE_OUTPUTSTREAM_H

#include "wire/Persistent.h"

#include <QString>
#include <QtEndian>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

// Writes the little-endian wire words of every server and peer message.
//
// The width of an integer write is the width of the argument's type, with no
// implicit conversion: write a uint32 as Write(uint32_t(x)), a uint8 as
// Write(uint8_t(x)). A bool is one byte, 1 or 0. Strings are a uint32 byte
// count followed by the bytes; QString is written as UTF-8.
class OutputStream
{
public:
    virtual ~OutputStream() = default;

    // Appends n bytes; false when the stream could not take them all.
    virtual bool WriteBuffer(const void* data, size_t n) = 0;

    template <class T, std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>, int> = 0>
    bool Write(T value)
    {
        unsigned char bytes[sizeof(T)];
        if constexpr (std::is_same_v<T, bool>) {
            bytes[0] = value ? 1 : 0;
        } else if constexpr (std::is_enum_v<T>) {
            using Underlying = std::underlying_type_t<T>;
            qToLittleEndian<Underlying>(Underlying(value), bytes);
        } else {
            qToLittleEndian<T>(value, bytes);
        }
        return WriteBuffer(bytes, sizeof(T));
    }

    // Raw bytes as they are.
    bool Write(const std::string& bytes);
    bool Write(const char* bytes) { return Write(std::string(bytes)); }

    // The text's UTF-8 bytes up to its first NUL character.
    bool Write(const QString& text);

    bool Write(const StreamWritable& record) { return record.Write(*this); }

    // A list's uint32 element count.
    bool WriteCount(size_t count) { return Write(uint32_t(count)); }

    // Lists: the uint32 count, then the elements in container order (sets and
    // maps therefore come out sorted).
    template <class T>
    bool Write(const std::vector<T>& list)
    {
        return WriteElements(list);
    }

    template <class T>
    bool Write(const std::set<T>& set)
    {
        return WriteElements(set);
    }

    template <class K, class V>
    bool Write(const std::map<K, V>& map)
    {
        if (!WriteCount(map.size()))
            return false;
        for (const auto& [key, value] : map)
            if (!Write(key) || !Write(value))
                return false;
        return true;
    }

private:
    template <class Container>
    bool WriteElements(const Container& elements)
    {
        if (!WriteCount(elements.size()))
            return false;
        for (const auto& element : elements)
            if (!Write(element))
                return false;
        return true;
    }
};

#endif
