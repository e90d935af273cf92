#include "wire/Obfuscation.h"

#include <QtEndian>

void ObfuscationStream::Apply(uint8_t* bytes, size_t n)
{
    for (size_t i = 0; i < n; ++i, ++m_position) {
        const unsigned byteOfKey = unsigned(m_position % 4);
        if (byteOfKey == 0)
            m_key = (m_key << 1) | (m_key >> 31);
        bytes[i] ^= uint8_t(m_key >> (8 * byteOfKey));
    }
}

void Descrambler::Begin(const uint8_t* header)
{
    m_stream = ObfuscationStream(qFromLittleEndian<uint32_t>(header));
}
