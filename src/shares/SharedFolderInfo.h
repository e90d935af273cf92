#ifndef SHARES_SHAREDFOLDERINFO_H
#define SHARES_SHAREDFOLDERINFO_H

#include "shares/FileInfo.h"

#include <set>

// The contents of one folder: a uint32 file count, the files in order, then a
// uint32 0 whose value a reader ignores. Read refuses more than 131072 files.
class SharedFolderInfo : public Persistent
{
public:
    std::set<FileInfo> files;

    bool Read(InputStream& in) override;
    bool Write(OutputStream& out) const override;
};

#endif
