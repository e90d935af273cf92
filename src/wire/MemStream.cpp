#include "wire/MemStream.h"

#include <cstring>
#include <limits>
#include <stdexcept>

MemStream::MemStream()
    : m_buffer(std::make_shared<Buffer>())
{
}

MemStream::MemStream(const QByteArray& bytes)
    : MemStream()
{
    WriteBuffer(bytes.constData(), size_t(bytes.size()));
}

bool MemStream::WriteBuffer(const void* data, size_t n)
{
    if (n == 0)
        return true;
    Buffer& buffer = *m_buffer;
    if (n > std::numeric_limits<uint64_t>::max() / 4 - buffer.writePosition)
        throw std::length_error("MemStream too large");
    Reserve(buffer.writePosition + n);
    std::memcpy(buffer.data.get() + buffer.writePosition, data, n);
    buffer.writePosition += n;
    return true;
}

void MemStream::Reserve(uint64_t lengthAfterWrite)
{
    Buffer& buffer = *m_buffer;
    uint64_t capacity = buffer.capacity;
    while (capacity <= lengthAfterWrite)
        capacity *= 2;
    if (capacity == buffer.capacity)
        return;
    auto grown = std::make_unique<uint8_t[]>(capacity);
    std::memcpy(grown.get(), buffer.data.get(), buffer.writePosition);
    buffer.data = std::move(grown);
    buffer.capacity = capacity;
}

bool MemStream::ReadBuffer(void* out, size_t n)
{
    if (n > GetPendingReadLength())
        return false;
    if (n > 0)
        std::memcpy(out, GetReadBuffer(), n);
    m_buffer->readPosition += n;
    return true;
}

bool MemStream::Skip(uint64_t n)
{
    if (n > GetPendingReadLength())
        return false;
    m_buffer->readPosition += n;
    return true;
}

uint64_t MemStream::GetPendingReadLength() const
{
    return m_buffer->writePosition - m_buffer->readPosition;
}

const uint8_t* MemStream::GetReadBuffer() const
{
    return m_buffer->data.get() + m_buffer->readPosition;
}

QByteArray MemStream::GetPendingBytes() const
{
    return QByteArray(reinterpret_cast<const char*>(GetReadBuffer()), int(GetPendingReadLength()));
}

void MemStream::DiscardReadBytes()
{
    Buffer& buffer = *m_buffer;
    const uint64_t pending = GetPendingReadLength();
    std::memmove(buffer.data.get(), buffer.data.get() + buffer.readPosition, pending);
    buffer.readPosition = 0;
    buffer.writePosition = pending;
}
