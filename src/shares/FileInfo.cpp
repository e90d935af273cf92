#include "shares/FileInfo.h"

#include "wire/InputStream.h"
#include "wire/OutputStream.h"

bool FileInfo::Read(InputStream& in)
{
    *this = FileInfo();
    uint8_t present = 0;
    if (!in.Read(present))
        return false;
    if (present == 0)
        return true;
    return in.Read(name) && in.Read(size) && in.Read(attributes);
}

bool FileInfo::Write(OutputStream& out) const
{
    return out.Write(uint8_t(1)) && out.Write(name) && out.Write(size) && out.Write(attributes);
}
