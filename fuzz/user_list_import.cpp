// Reads the names of arbitrary user-list files.
#include "import/UserListFile.h"
#include "wire/MemStream.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemStream in(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    std::set<std::string> names;
    ReadUserListNames(in, names);
    uint64_t total = 0;
    for (const std::string& name : names) {
        if (name.empty() || name.find('\0') != std::string::npos)
            std::abort();
        total += name.size();
    }
    if (total > MaxUserListNameBytes)
        std::abort();
    return 0;
}
