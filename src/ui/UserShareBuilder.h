#ifndef UI_USERSHAREBUILDER_H
#define UI_USERSHAREBUILDER_H

#include "shares/FileInfo.h"
#include "store/ItemPtr.h"

#include <string>
#include <unordered_map>
#include <vector>

// Turns a share listing into the items of a browsed share: under the
// "user_share" a "user_share_folder" per listed folder (linked to the folder
// of its parent path when that is listed too) and a "user_share_file" per
// file with its name, size and audio attributes. Built a slice at a time, so
// that a large share never holds the event loop up, and bounded: a listing
// inflates from a small message into very many files, so files beyond
// MaxFiles are counted, not built. Folders nested deeper than MaxDepth below
// a top-level folder stand at the top level themselves, so that the windows'
// walks down the tree stay shallow whatever a peer lists.
class UserShareBuilder
{
public:
    static constexpr int MaxFiles = 500000;
    static constexpr int MaxDepth = 64;

    UserShareBuilder(ItemPtr share, FileInfoMap listing, int maxFiles = MaxFiles);

    // Builds up to that many more files (and the folders on the way); true
    // when the whole listing is built.
    bool Step(int files);
    bool Done() const { return folder == listing.cend(); }

    ItemPtr Share() const { return share; }
    // The folders built so far, in the listing's order (ascending path).
    const std::vector<ItemPtr>& Folders() const { return folders; }
    int FileCount() const { return builtFiles; }
    int SkippedFiles() const { return skippedFiles; }
    int FileLimit() const { return maxFiles; }

    // A folder's parent path: trailing backslashes dropped, then the text
    // before the last backslash or slash (empty when there is none).
    static std::string ParentPath(const std::string& path);

private:
    void StartFolder();
    void AddFile(ItemPtr shareFolder, const FileInfo& info);

    ItemPtr share;
    const FileInfoMap listing;
    FileInfoMap::const_iterator folder;
    std::set<FileInfo>::const_iterator file;
    bool folderStarted = false;
    std::vector<ItemPtr> folders;
    struct BuiltFolder
    {
        ItemPtr item;
        int depth; // 0 at the top level
    };
    std::unordered_map<std::string, BuiltFolder> foldersByPath;
    const int maxFiles;
    int builtFiles = 0;
    int skippedFiles = 0;
};

#endif
