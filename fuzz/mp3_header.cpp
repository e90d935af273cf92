// Reads arbitrary file contents as MP3, cut into blocks as the scanner reads them.
#include "shares/Mp3Header.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<Mp3Header> header
        = Mp3HeaderReader::Read(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size)));
    if (header
        && (header->mpegVersion < 1 || header->mpegVersion > 2 || header->sampleRateIndex < 0
            || header->sampleRateIndex > 2 || header->bitrate < 8 || header->bitrate > 320
            || header->channelMode.isEmpty()))
        std::abort();
    return 0;
}
