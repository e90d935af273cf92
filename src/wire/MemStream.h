#ifndef WIRE_MEMSTREAM_H
#define WIRE_MEMSTREAM_H

#include "wire/Stream.h"

#include <QByteArray>

#include <cstdint>
#include <memory>

// Reference-counted pointer: copies share the object.
template <class T>
using rcptr = std::shared_ptr<T>;

// A growable byte buffer with separate read and write positions, in which
// every outgoing message is built and every incoming message is parsed.
//
// Copies share the buffer: a copy handed to a handler reads and advances the
// same positions as the original. Writes append at the end; reads consume from
// the read position. A socket appends what it receives, checks
// GetPendingReadLength() against the announced message length, and parses the
// message in place (GetReadBuffer()).
class MemStream : public Stream
{
public:
    MemStream();
    explicit MemStream(const QByteArray& bytes);

    // Appends; always true.
    bool WriteBuffer(const void* data, size_t n) override;
    // Copies n bytes and advances; false without moving when fewer remain.
    bool ReadBuffer(void* out, size_t n) override;

    // Advances the read position by n bytes; false without moving when fewer
    // remain. Lets a reader step over the unread rest of a message.
    bool Skip(uint64_t n);

    // Bytes written but not yet read.
    uint64_t GetPendingReadLength() const;
    // The byte at the read position; valid until the next write.
    const uint8_t* GetReadBuffer() const;
    // The unread bytes, copied.
    QByteArray GetPendingBytes() const;

    uint64_t GetReadPosition() const { return m_buffer->readPosition; }
    // The write position, which is also the length of the data.
    uint64_t GetLength() const { return m_buffer->writePosition; }
    uint64_t GetCapacity() const { return m_buffer->capacity; }

    // Drops the bytes already read, so that a long-lived receive buffer does
    // not keep every message it ever parsed. Positions move down accordingly.
    void DiscardReadBytes();

    struct Buffer
    {
        uint64_t readPosition = 0;
        uint64_t writePosition = 0;
        uint64_t capacity = InitialCapacity;
        std::unique_ptr<uint8_t[]> data = std::make_unique<uint8_t[]>(InitialCapacity);
    };

    static constexpr uint64_t InitialCapacity = 256;

private:
    void Reserve(uint64_t lengthAfterWrite);

    rcptr<Buffer> m_buffer;
};

#endif
