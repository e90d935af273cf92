// Reads arbitrary bytes as a received share list (the compressed body after
// the code). An even first byte takes the rest as the plain body and
// compresses it first, so that the reader behind the inflation is reached
// directly. What is read is sent back and must read again the same.
#include "shares/ShareMessages.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));
    if ((data[0] & 1) == 0)
        bytes = qCompress(bytes, 1).mid(4);
    FileInfoMap share;
    AttributeTranslationTable attributes;
    if (!ReadSharedFileList(bytes, share, attributes))
        return 0;
    MemStream message = SharedFileListMessage(share);
    uint32_t code = 0;
    FileInfoMap again;
    if (!message.Read(code) || !ReadSharedFileList(message.GetPendingBytes(), again, attributes) || again != share
        || !attributes.empty())
        std::abort();
    return 0;
}
