#include "wire/FrameWriter.h"

#include "wire/Obfuscation.h"

#include <QtEndian>

#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

// The frame, after `prefix` bytes left for the caller.
QByteArray Frame(const MemStream& message, int prefix)
{
    const uint64_t length = message.GetPendingReadLength();
    if (length > uint64_t(std::numeric_limits<int>::max() - prefix - int(sizeof(uint32_t))))
        throw std::length_error("message too large for one frame");
    QByteArray frame(prefix + int(sizeof(uint32_t)) + int(length), Qt::Uninitialized);
    char* at = frame.data() + prefix;
    qToLittleEndian<uint32_t>(uint32_t(length), at);
    if (length > 0)
        std::memcpy(at + sizeof(uint32_t), message.GetReadBuffer(), size_t(length));
    return frame;
}

} // namespace

QByteArray FrameMessage(const MemStream& message)
{
    return Frame(message, 0);
}

QByteArray FrameMessage(const MemStream& message, uint32_t key)
{
    QByteArray frame = Frame(message, int(sizeof(uint32_t)));
    uint8_t* bytes = reinterpret_cast<uint8_t*>(frame.data());
    qToLittleEndian<uint32_t>(key, bytes);
    ObfuscationStream(key).Apply(bytes + sizeof(uint32_t), size_t(frame.size()) - sizeof(uint32_t));
    return frame;
}
