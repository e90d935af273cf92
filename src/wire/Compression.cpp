#include "wire/Compression.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

constexpr uint64_t FirstPieceSize = 64 * 1024;

// Ends the zlib stream however the inflation ends.
class Inflater
{
public:
    Inflater() { ready = inflateInit(&stream) == Z_OK; }
    ~Inflater()
    {
        if (ready)
            inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    z_stream stream{};
    bool ready = false;
};

} // namespace

MemStream BuildCompressedMessage(uint32_t code, const MemStream& body)
{
    const uLong length = uLong(body.GetPendingReadLength());
    uLongf compressedLength = compressBound(length);
    auto compressed = std::make_unique<Bytef[]>(compressedLength);
    if (compress2(compressed.get(), &compressedLength, body.GetReadBuffer(), length, 9) != Z_OK)
        throw std::bad_alloc();
    MemStream message;
    message.Write(code);
    message.WriteBuffer(compressed.get(), compressedLength);
    return message;
}

bool InflatedBody::ReadBuffer(void* out, size_t n)
{
    if (n > GetPendingReadLength())
        return false;
    if (n > 0)
        std::memcpy(out, bytes.constData() + position, n);
    position += n;
    return true;
}

InflateResult InflateBody(MemStream& compressed, InflatedBody& inflated, uint64_t maxLength)
{
    inflated = InflatedBody();
    const uint64_t inputLength = compressed.GetPendingReadLength();
    // One byte over the bound tells a body that is too large from one that fits exactly.
    const uint64_t limit = std::min<uint64_t>(maxLength + 1, uint64_t(std::numeric_limits<int>::max()) / 2);
    if (inputLength > std::numeric_limits<uInt>::max())
        return InflateResult::TooLarge;
    try {
        Inflater inflater;
        if (!inflater.ready)
            return InflateResult::OutOfMemory;
        z_stream& stream = inflater.stream;
        stream.next_in = const_cast<Bytef*>(compressed.GetReadBuffer());
        stream.avail_in = uInt(inputLength);
        QByteArray& out = inflated.bytes;
        uint64_t produced = 0;
        uint64_t capacity = std::min<uint64_t>(std::max<uint64_t>(4 * inputLength, FirstPieceSize), limit);
        out.resize(int(capacity));
        for (;;) {
            if (produced == capacity) {
                if (capacity >= limit)
                    return InflateResult::TooLarge;
                capacity = std::min(2 * capacity, limit);
                out.resize(int(capacity));
            }
            stream.next_out = reinterpret_cast<Bytef*>(out.data()) + produced;
            stream.avail_out = uInt(capacity - produced);
            const int status = inflate(&stream, Z_NO_FLUSH);
            produced = capacity - stream.avail_out;
            if (status == Z_STREAM_END)
                break;
            if (status == Z_MEM_ERROR)
                return InflateResult::OutOfMemory;
            // Input used up before the stream's end, or damaged.
            if (status != Z_OK)
                return InflateResult::Corrupt;
        }
        if (produced > maxLength)
            return InflateResult::TooLarge;
        out.resize(int(produced));
        compressed.Skip(inputLength - stream.avail_in);
        return InflateResult::Inflated;
    } catch (const std::bad_alloc&) {
        inflated = InflatedBody();
        return InflateResult::OutOfMemory;
    }
}
