#include "wire/Obfuscation.h"

#include <QtEndian>

#include <algorithm>

namespace {

uint32_t RotatedLeft(uint32_t key, unsigned bits = 1)
{
    return (key << bits) | (key >> (32 - bits));
}

uint64_t TwoGroups(uint32_t first, uint32_t second)
{
    return uint64_t(first) | (uint64_t(second) << 32);
}

} // namespace

void ObfuscationStream::Apply(uint8_t* bytes, size_t n)
{
    // Locals: the bytes may alias the members, which would keep the compiler
    // from holding them in registers.
    uint32_t key = m_key;
    size_t position = m_position;
    size_t i = 0;
    // Byte by byte up to the start of a group, and for a short last group.
    auto applyBytes = [&](size_t end) {
        for (; i < end; ++i, ++position) {
            const unsigned byteOfKey = unsigned(position % 4);
            if (byteOfKey == 0)
                key = RotatedLeft(key);
            bytes[i] ^= uint8_t(key >> (8 * byteOfKey));
        }
    };
    applyBytes(std::min(n, size_t((4 - position % 4) % 4)));
    // Whole groups a word at a time: byte j of a little-endian word is byte j
    // of the group.
    const size_t groupsStart = i;
    const size_t groupsEnd = i + (n - i) / 4 * 4;
    // Four groups per step, their keys each one turn further than the last.
    for (; i + 16 <= groupsEnd; i += 16) {
        const uint64_t low = TwoGroups(RotatedLeft(key, 1), RotatedLeft(key, 2));
        const uint64_t high = TwoGroups(RotatedLeft(key, 3), RotatedLeft(key, 4));
        key = RotatedLeft(key, 4);
        qToLittleEndian<uint64_t>(qFromLittleEndian<uint64_t>(bytes + i) ^ low, bytes + i);
        qToLittleEndian<uint64_t>(qFromLittleEndian<uint64_t>(bytes + i + 8) ^ high, bytes + i + 8);
    }
    for (; i < groupsEnd; i += 4) {
        key = RotatedLeft(key);
        qToLittleEndian<uint32_t>(qFromLittleEndian<uint32_t>(bytes + i) ^ key, bytes + i);
    }
    position += groupsEnd - groupsStart;
    applyBytes(n);
    m_key = key;
    m_position = position;
}

void Descrambler::Begin(const uint8_t* header)
{
    m_stream = ObfuscationStream(qFromLittleEndian<uint32_t>(header));
}
