#ifndef WIRE_OBFUSCATION_H
#define WIRE_OBFUSCATION_H

#include "wire/FrameReader.h"

#include <cstddef>
#include <cstdint>

// The key stream that scrambles a frame on an obfuscated peer connection. The
// frame (length word first) is taken in groups of four bytes; before each
// group the key is rotated left by one bit, and byte j of the group is XORed
// with byte j of the key, lowest first. A short last group uses the low bytes.
// Scrambling and descrambling are the same operation.
class ObfuscationStream
{
public:
    explicit ObfuscationStream(uint32_t key)
        : m_key(key)
    {
    }

    // XORs the next n bytes of the frame in place, continuing where the last
    // call stopped.
    void Apply(uint8_t* bytes, size_t n);

private:
    uint32_t m_key;
    size_t m_position = 0;
};

// Reads obfuscated frames: the key in clear in front of each, then the frame
// scrambled with it.
class Descrambler : public FrameTransform
{
public:
    size_t HeaderSize() const override { return sizeof(uint32_t); }
    void Begin(const uint8_t* header) override;
    void Apply(uint8_t* bytes, size_t n) override { m_stream.Apply(bytes, n); }

private:
    ObfuscationStream m_stream{0};
};

#endif
