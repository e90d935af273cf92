#ifndef IMPORT_USERLISTFILE_H
#define IMPORT_USERLISTFILE_H

#include <cstdint>
#include <set>
#include <string>

class InputStream;

// The most name bytes a user-list file may hold in all: far above any real
// list, far below what the counts alone would allow.
constexpr uint64_t MaxUserListNameBytes = 16 * 1024 * 1024;

// Reads the names of the older client's user-list file: an int32 count (0 to
// MaxWireListCount), then each name as a uint32 byte count (at most
// MaxWireStringLength) and its bytes, kept up to the first NUL. Duplicates
// merge and empty names are left out. Bytes after the last name are not read.
//
// False on short data, a count or length out of bounds, or more than
// MaxUserListNameBytes of names; `names` is then incomplete.
bool ReadUserListNames(InputStream& in, std::set<std::string>& names);

#endif
