#ifndef SHARES_SHAREMESSAGES_H
#define SHARES_SHAREMESSAGES_H

#include "shares/FileInfo.h"
#include "shares/ShareListings.h"
#include "shares/SharedFolderInfo.h"
#include "wire/MemStream.h"

#include <QString>

#include <cstdint>
#include <set>

// The peer messages that carry this client's files, each built whole: the
// message code, then the body compressed as one zlib stream (level 9).
enum ShareMessageCode : uint32_t
{
    SharedFileListCode = 5,
    SearchReplyCode = 9,
    SharedFilesInFolderCode = 37,
};

// What a search reply says about the uploads besides the files.
struct UploadQueueStatus
{
    bool freeToUpload = true;
    uint32_t queuedUploads = 0;
};

// Code 9: own user name, token, the files, the free-slot flag, the own
// upload speed, the queue length and an empty attribute table.
MemStream SearchReplyMessage(const QString& ownUser, uint32_t token, const std::set<FileInfo>& files,
                             const UploadQueueStatus& uploads, uint32_t uploadSpeed);
// Code 5: the folders and their files (in order, see PutInOrder), then an
// empty attribute table. Only
// memory can run out here (std::bad_alloc); it reads no shared state, so any
// thread may build it.
MemStream BuildSharedFileListMessage(const ShareListing& listing);
// Code 37: token, the folder, then one folder (the same) and its files.
MemStream SharedFilesInFolderMessage(uint32_t token, const QString& folder, const SharedFolderInfo& contents);

#endif
