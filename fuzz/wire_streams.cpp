// Typed reads over arbitrary bytes: the first byte picks the order of reads.
#include "wire/MemStream.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t plan = data[0];
    MemStream s(QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)));
    for (int step = 0; step < 64 && s.GetPendingReadLength() > 0; ++step) {
        switch ((plan + step) % 12) {
        case 0: {
            uint8_t v;
            s.Read(v);
            break;
        }
        case 1: {
            bool v;
            s.Read(v);
            break;
        }
        case 2: {
            uint16_t v;
            s.Read(v);
            break;
        }
        case 3: {
            int32_t v;
            s.Read(v);
            break;
        }
        case 4: {
            uint32_t v;
            s.Read(v);
            break;
        }
        case 5: {
            int64_t v;
            s.Read(v);
            break;
        }
        case 6: {
            uint64_t v;
            s.Read(v);
            break;
        }
        case 7: {
            std::string v;
            s.Read(v);
            break;
        }
        case 8: {
            QString v;
            s.Read(v);
            break;
        }
        case 9: {
            std::vector<QString> v;
            s.Read(v);
            break;
        }
        case 10: {
            std::map<uint32_t, std::string> v;
            s.Read(v);
            break;
        }
        case 11: {
            uint64_t skip = s.GetPendingReadLength() / 2;
            s.Skip(skip);
            s.DiscardReadBytes();
            break;
        }
        }
    }
    return 0;
}
