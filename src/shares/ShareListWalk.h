#ifndef SHARES_SHARELISTWALK_H
#define SHARES_SHARELISTWALK_H

#include "shares/ShareListings.h"
#include "shares/SharesSchema.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class ItemSet;

// Reads the share list of some shared folders out of the index a piece at a
// time, so that a large share can be listed between turns of the event loop;
// any piece of work is one file or one folder, there is no start-up cost.
//
// The walk holds no item across pieces: shared folders and the folder being
// read are named by their paths and found again for each piece, and folders
// and files are taken in address order from just after the last one read. So
// the index may change between pieces: a folder that went, or left its shared
// folder, before it was read is not listed; a file that went before it was
// read is not listed; a folder or file that came may or may not be. Within
// one piece the index does not change.
class ShareListWalk
{
public:
    ShareListWalk(const ShareTypes& types, const ItemSet& sharedFolders);

    // Reads until `enough` (asked after each file and each folder) says so;
    // true when the whole list is read.
    bool Step(const std::function<bool()>& enough);
    // The folders in the order read, a folder below two of the shared
    // folders twice, each with its files in the order read (see PutInOrder);
    // the walk is spent.
    ShareListing Take() { return std::move(listing); }

private:
    // Reads the open folder's files after the last one read; false when
    // `enough` stopped it.
    bool ReadFiles(const Item* folder, const std::function<bool()>& enough);

    const ShareTypes& types;
    std::vector<std::string> sharedFolderPaths;

    std::size_t sharedFolderIndex = 0;
    // Addresses of the last folder (of the current shared folder) and the last
    // file (of that folder) read; 0 before the first.
    std::uintptr_t lastFolder = 0;
    std::uintptr_t lastFile = 0;
    // The folder whose files are being read, when a piece ended within it.
    bool folderOpen = false;
    std::string openFolderPath;
    ShareListing listing;
};

#endif
