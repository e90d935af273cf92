#ifndef SHARES_SHARELISTINGS_H
#define SHARES_SHARELISTINGS_H

#include "shares/FileInfo.h"
#include "shares/SharedFolderInfo.h"
#include "store/ItemPtr.h"

#include <QString>

#include <set>
#include <string>
#include <vector>

struct ShareTypes;

// The records of the own shared files as other users get them, read from the
// share index and restricted to what the user may see.

// One folder of a share list: its path with backslashes and its files, on the
// wire in FileInfo order and each once.
struct ListedFolder
{
    std::string path;
    std::vector<FileInfo> files;

    bool operator==(const ListedFolder& other) const { return path == other.path && files == other.files; }
};

// A share list; on the wire the folders go in byte order of their paths, each
// once (see PutInOrder).
using ShareListing = std::vector<ListedFolder>;

// Puts the folders in order of their paths, a folder listed twice once with
// the files of both, and each folder's files in FileInfo order, a repeated
// name and size once (the first). Reads nothing shared: any thread may.
void PutInOrder(ShareListing& listing);

// The record of one "shared_file" under the given name: its size and, when
// asked for and the name ends in "mp3", the bitrate and bitrate mode it has.
FileInfo SharedFileRecord(const ShareTypes& types, const Item* file, std::string name, bool withAttributes);

// Search reply records: the full path with backslashes, the size and, for
// "mp3" files, the bitrate and bitrate mode when known; ordered by full path.
std::set<FileInfo> SearchReplyFiles(const std::vector<ItemPtr>& files);

// Every folder the user may see (backslashed path, even when empty) with its
// files by name, size and audio attributes, read in one go.
FileInfoMap GetSharedFilesForUser(const QString& user);

// The files directly in one folder (backslashed or not) by name and size, when
// the user may see it; empty otherwise.
SharedFolderInfo GetFolderContentsForUser(const QString& user, const QString& folder);

#endif
