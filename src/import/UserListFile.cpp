#include "import/UserListFile.h"

#include "wire/InputStream.h"
#include "wire/WireLimits.h"

bool ReadUserListNames(InputStream& in, std::set<std::string>& names)
{
    int32_t count = 0;
    if (!in.Read(count) || count < 0 || uint32_t(count) > MaxWireListCount)
        return false;
    uint64_t total = 0;
    for (int32_t n = 0; n < count; ++n) {
        std::string name;
        if (!in.Read(name))
            return false;
        total += name.size();
        if (total > MaxUserListNameBytes)
            return false;
        if (!name.empty())
            names.insert(std::move(name));
    }
    return true;
}
