// Each share record reader over arbitrary bytes; what is read is written back
// and must read again the same.
#include "shares/FileInfo.h"
#include "shares/SharedFolderInfo.h"
#include "wire/MemStream.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

template <class Record>
void ReadWriteRead(const QByteArray& bytes)
{
    MemStream in(bytes);
    Record record{};
    if (!in.Read(record))
        return;
    MemStream out;
    out.Write(record);
    Record again{};
    if (!out.Read(again) || out.GetPendingReadLength() != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), int(size - 1));
    switch (data[0] % 5) {
    case 0: ReadWriteRead<FileInfo>(bytes); break;
    case 1: ReadWriteRead<AttributeMap>(bytes); break;
    case 2: ReadWriteRead<SharedFolderInfo>(bytes); break;
    case 3: ReadWriteRead<FileInfoMap>(bytes); break;
    case 4: ReadWriteRead<AttributeTranslationTable>(bytes); break;
    }
    return 0;
}
