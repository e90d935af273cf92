#include "peer/CompressedBody.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

constexpr size_t PieceSize = 64 * 1024;

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

InflateResult InflateBody(MemStream& compressed, MemStream& inflated, uint64_t maxLength)
{
    const uint64_t inputLength = compressed.GetPendingReadLength();
    if (inputLength > std::numeric_limits<uInt>::max())
        return InflateResult::TooLarge;
    try {
        Inflater inflater;
        if (!inflater.ready)
            return InflateResult::OutOfMemory;
        z_stream& stream = inflater.stream;
        stream.next_in = const_cast<Bytef*>(compressed.GetReadBuffer());
        stream.avail_in = uInt(inputLength);
        auto piece = std::make_unique<Bytef[]>(PieceSize);
        inflated = MemStream();
        for (;;) {
            stream.next_out = piece.get();
            stream.avail_out = uInt(PieceSize);
            const int status = inflate(&stream, Z_NO_FLUSH);
            const size_t produced = PieceSize - stream.avail_out;
            if (inflated.GetLength() + produced > maxLength)
                return InflateResult::TooLarge;
            inflated.WriteBuffer(piece.get(), produced);
            if (status == Z_STREAM_END)
                break;
            if (status == Z_MEM_ERROR)
                return InflateResult::OutOfMemory;
            // Input used up before the stream's end, or damaged.
            if (status != Z_OK)
                return InflateResult::Corrupt;
        }
        compressed.Skip(inputLength - stream.avail_in);
        return InflateResult::Inflated;
    } catch (const std::bad_alloc&) {
        inflated = MemStream();
        return InflateResult::OutOfMemory;
    }
}
