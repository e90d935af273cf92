#ifndef WIRE_COMPRESSION_H
#define WIRE_COMPRESSION_H

#include "wire/InputStream.h"
#include "wire/MemStream.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// Share lists, search replies and folder contents carry everything after their
// code as one zlib stream (with its header). Both directions live here, for
// the peer network that reads them and for sharing that builds them (on any
// thread: nothing here touches shared state).

// The most a compressed body may inflate to. A share listing spends about 100
// bytes per file (name, size, attributes), so a million files take some 100
// MiB; this leaves room for long names. A peer cannot make us hold more, however
// well its bytes compress.
constexpr uint64_t MaxInflatedBodyLength = 256 * 1024 * 1024;

// The code, then the unread bytes of the body compressed with zlib at level 9.
// Running out of memory throws std::bad_alloc, as any allocation does.
MemStream BuildCompressedMessage(uint32_t code, const MemStream& body);

enum class InflateResult
{
    Inflated,
    Corrupt,     // not a whole zlib stream
    TooLarge,    // it would inflate beyond the bound
    OutOfMemory, // the memory for it could not be had
};

// An inflated body, read like any message.
class InflatedBody : public InputStream
{
public:
    bool ReadBuffer(void* out, size_t n) override;
    uint64_t GetPendingReadLength() const { return uint64_t(bytes.size()) - position; }

private:
    friend InflateResult InflateBody(MemStream& compressed, InflatedBody& inflated, uint64_t maxLength);
    QByteArray bytes;
    uint64_t position = 0;
};

// Inflates the unread bytes of `compressed`. The memory grows with what
// comes out, never beyond maxLength and a little.
InflateResult InflateBody(MemStream& compressed, InflatedBody& inflated, uint64_t maxLength = MaxInflatedBodyLength);

#endif
