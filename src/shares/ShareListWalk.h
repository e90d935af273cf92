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
// time, so that a large share can be listed between turns of the event loop.
//
// The walk holds no item across pieces: folders are named by their paths and
// found again for each piece, and a folder's files are taken in address order
// from just after the last one read. So the index may change between pieces:
// a folder that went, or left the listed shared folders, before it was read
// is left out; a file that went before it was read is not listed; a file that
// came may or may not be. Within one piece the index does not change.
class ShareListWalk
{
public:
    // Takes note of the folders below the shared folders as they are now.
    ShareListWalk(const ShareTypes& types, const ItemSet& sharedFolders);

    // Reads records until `enough` (asked after each file and each folder)
    // says so; true when the whole list is read.
    bool Step(const std::function<bool()>& enough);
    // The list read; the walk is spent.
    ShareListing Take() { return std::move(listing); }

private:
    // The folders listed under one path (one, unless local names differ only
    // by "/" and "\").
    struct Entry
    {
        std::string path;
        std::vector<std::string> folders;
    };

    const Item* ResolveFolder(const std::string& folderPath) const;
    void CloseEntry();

    const ShareTypes& types;
    // The paths of the shared folders, sorted.
    std::vector<std::string> sharedFolderPaths;
    std::vector<Entry> entries;

    std::size_t entryIndex = 0;
    std::size_t folderIndex = 0;
    // The address of the last file read in the current folder, 0 before the first.
    std::uintptr_t lastFile = 0;
    bool entryOpen = false;
    bool entryFound = false;
    ShareListing listing;
};

#endif
