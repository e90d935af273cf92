// Reads arbitrary bytes as a received share list (the compressed body after
// the code), as the peer network reads it. An even first byte takes the rest as
// the plain body and compresses it first, so that the reader behind the
// inflation is reached directly. What is read is listed again as this client
// lists its own share, and must read back the same.
#include "peer/PeerMessages.h"
#include "shares/ShareMessages.h"
#include "wire/Compression.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
bool ReadList(MemStream compressed, SharedFileListMessage& listing)
{
    InflatedBody body;
    return InflateBody(compressed, body) == InflateResult::Inflated && listing.Read(body);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    MemStream input(QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)));
    if ((data[0] & 1) == 0) {
        input = BuildCompressedMessage(0, input);
        input.Skip(sizeof(uint32_t));
    }
    SharedFileListMessage received;
    if (!ReadList(input, received))
        return 0;
    ShareListing listing;
    for (const auto& [path, files] : received.share)
        listing.push_back({path, std::vector<FileInfo>(files.begin(), files.end())});
    MemStream message = BuildSharedFileListMessage(listing);
    uint32_t code = 0;
    SharedFileListMessage again;
    if (!message.Read(code) || code != SharedFileListCode || !ReadList(message, again) || again.share != received.share
        || !again.attributes.empty())
        std::abort();
    return 0;
}
