#ifndef SHARES_SHARELISTINGS_H
#define SHARES_SHARELISTINGS_H

#include "shares/FileInfo.h"
#include "shares/SharedFolderInfo.h"
#include "store/ItemPtr.h"

#include <QString>

#include <set>
#include <vector>

// The records of the own shared files as other users get them, read from the
// share index and restricted to what the user may see.

// Search reply records: the full path with backslashes, the size and, for
// "mp3" files, the bitrate and bitrate mode when known; ordered by full path.
std::set<FileInfo> SearchReplyFiles(const std::vector<ItemPtr>& files);

// Every folder the user may see (backslashed path, even when empty) with its
// files by name, size and audio attributes.
FileInfoMap GetSharedFilesForUser(const QString& user);

// The files directly in one folder (backslashed or not) by name and size, when
// the user may see it; empty otherwise.
SharedFolderInfo GetFolderContentsForUser(const QString& user, const QString& folder);

#endif
