#include "shares/ShareListWalk.h"

#include "store/Data.h"

#include <algorithm>

namespace {
std::uintptr_t Address(ItemPtr item)
{
    return reinterpret_cast<std::uintptr_t>(item.Get());
}
} // namespace

ShareListWalk::ShareListWalk(const ShareTypes& shareTypes, const ItemSet& sharedFolders)
    : types(shareTypes)
{
    for (ItemPtr sharedFolder : sharedFolders)
        sharedFolderPaths.push_back(sharedFolder->GetValue().Bytes());
}

bool ShareListWalk::ReadFiles(const Item* folder, const std::function<bool()>& enough)
{
    const ItemSet* files = folder->ConnectedSet(types.sharedFile);
    if (!files)
        return true;
    std::vector<FileInfo>& records = listing.back().files;
    for (ItemPtr file : *files) {
        if (Address(file) <= lastFile)
            continue;
        lastFile = Address(file);
        const Item* name = file->GetItem(types.sharedFileName);
        records.push_back(SharedFileRecord(types, file.Get(), name ? name->GetValue().Bytes() : std::string(), true));
        if (enough())
            return false;
    }
    return true;
}

bool ShareListWalk::Step(const std::function<bool()>& enough)
{
    while (sharedFolderIndex < sharedFolderPaths.size()) {
        const Item* sharedFolder = types.sharedFolder->HasItem(Value(sharedFolderPaths[sharedFolderIndex])).Get();
        const ItemSet* folders = sharedFolder ? sharedFolder->ConnectedSet(types.sharedFileFolder) : nullptr;
        if (folderOpen) {
            folderOpen = false;
            const ItemPtr folder = types.sharedFileFolder->HasItem(Value(openFolderPath));
            if (folder && folders && folders->Contains(folder) && !ReadFiles(folder.Get(), enough)) {
                folderOpen = true;
                return false;
            }
            if (enough())
                return false;
        }
        if (folders)
            for (ItemPtr folder : *folders) {
                if (Address(folder) <= lastFolder)
                    continue;
                lastFolder = Address(folder);
                lastFile = 0;
                openFolderPath = folder->GetValue().Bytes();
                std::string path = openFolderPath;
                std::replace(path.begin(), path.end(), '/', '\\');
                listing.push_back({std::move(path), {}});
                if (!ReadFiles(folder.Get(), enough)) {
                    folderOpen = true;
                    return false;
                }
                if (enough())
                    return false;
            }
        ++sharedFolderIndex;
        lastFolder = 0;
    }
    return true;
}
