#ifndef PEER_COMPRESSEDBODY_H
#define PEER_COMPRESSEDBODY_H

#include "wire/MemStream.h"

#include <cstddef>
#include <cstdint>

// Share listings and search replies carry everything after their code as one
// zlib stream (with its header).

// The most a compressed body may inflate to. A share listing spends about 100
// bytes per file (name, size, attributes), so a million files take some 100
// MiB; this leaves room for long names. A peer cannot make us hold more, however
// well its bytes compress.
constexpr uint64_t MaxInflatedBodyLength = 256 * 1024 * 1024;

// The code, then the body compressed with zlib at level 9.
MemStream BuildCompressedMessage(uint32_t code, const MemStream& body);

enum class InflateResult
{
    Inflated,
    Corrupt,     // not a whole zlib stream
    TooLarge,    // it would inflate beyond the bound
    OutOfMemory, // the memory for it could not be had
};

// Inflates the unread bytes of `compressed` into `inflated` (a fresh stream),
// in pieces, stopping at maxLength.
InflateResult InflateBody(MemStream& compressed, MemStream& inflated, uint64_t maxLength = MaxInflatedBodyLength);

#endif
