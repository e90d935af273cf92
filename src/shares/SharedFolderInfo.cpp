#include "shares/SharedFolderInfo.h"

#include "wire/InputStream.h"
#include "wire/OutputStream.h"

bool SharedFolderInfo::Read(InputStream& in)
{
    uint32_t trailer = 0;
    return in.Read(files) && in.Read(trailer);
}

bool SharedFolderInfo::Write(OutputStream& out) const
{
    return out.Write(files) && out.Write(uint32_t(0));
}
