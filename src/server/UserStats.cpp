#include "server/UserStats.h"

#include "wire/InputStream.h"
#include "wire/OutputStream.h"

bool UserStats::Read(InputStream& in)
{
    return in.Read(averageSpeed) && in.Read(transferCount) && in.Read(fileCount) && in.Read(folderCount);
}

bool UserStats::Write(OutputStream& out) const
{
    return out.Write(averageSpeed) && out.Write(transferCount) && out.Write(fileCount) && out.Write(folderCount);
}
