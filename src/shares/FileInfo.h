#ifndef SHARES_FILEINFO_H
#define SHARES_FILEINFO_H

#include "shares/AttributeMap.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>

// One file of a search reply, share list or folder contents. The name is raw
// bytes: a bare file name in share lists and folder contents, the full path
// with backslashes in search replies.
//
// On the wire: a present byte (always written as 1; a 0 read means an empty
// record and nothing more of it follows), the name, the uint64 size and the
// attributes.
class FileInfo : public Persistent
{
public:
    FileInfo() = default;
    FileInfo(std::string fileName, uint64_t fileSize, AttributeMap fileAttributes = {})
        : name(std::move(fileName))
        , size(fileSize)
        , attributes(std::move(fileAttributes))
    {
    }

    std::string name;
    uint64_t size = 0;
    AttributeMap attributes;

    bool Read(InputStream& in) override;
    bool Write(OutputStream& out) const override;

    // Sets of files are ordered by name in byte order, then by size.
    bool operator<(const FileInfo& other) const { return name != other.name ? name < other.name : size < other.size; }
    bool operator==(const FileInfo& other) const
    {
        return name == other.name && size == other.size && attributes == other.attributes;
    }
};

// A share list: folder path (raw bytes, backslashes) to the files in it.
// Written and read by the stream's map and set operations: a bounded folder
// count, then per folder its path, a bounded file count and the files.
using FileInfoMap = std::map<std::string, std::set<FileInfo>>;

// Attribute code to attribute name, passed on unchanged with a share list.
using AttributeTranslationTable = std::map<uint32_t, std::string>;

#endif
