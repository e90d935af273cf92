#include "shares/ShareListWalk.h"

#include "store/Data.h"

#include <algorithm>
#include <map>

ShareListWalk::ShareListWalk(const ShareTypes& shareTypes, const ItemSet& sharedFolders)
    : types(shareTypes)
{
    std::map<std::string, std::vector<std::string>> byPath;
    for (ItemPtr sharedFolder : sharedFolders) {
        sharedFolderPaths.push_back(sharedFolder->GetValue().Bytes());
        const ItemSet* folders = sharedFolder->ConnectedSet(types.sharedFileFolder);
        if (!folders)
            continue;
        for (ItemPtr folder : *folders) {
            const std::string& local = folder->GetValue().Bytes();
            std::string path = local;
            std::replace(path.begin(), path.end(), '/', '\\');
            std::vector<std::string>& named = byPath[std::move(path)];
            // A folder inside two shared folders is listed once.
            if (std::find(named.begin(), named.end(), local) == named.end())
                named.push_back(local);
        }
    }
    std::sort(sharedFolderPaths.begin(), sharedFolderPaths.end());
    entries.reserve(byPath.size());
    for (auto& [path, folders] : byPath)
        entries.push_back({path, std::move(folders)});
}

const Item* ShareListWalk::ResolveFolder(const std::string& folderPath) const
{
    const Item* folder = types.sharedFileFolder->HasItem(Value(folderPath)).Get();
    const ItemSet* sharedFolders = folder ? folder->ConnectedSet(types.sharedFolder) : nullptr;
    if (!sharedFolders)
        return nullptr;
    for (ItemPtr sharedFolder : *sharedFolders)
        if (std::binary_search(sharedFolderPaths.begin(), sharedFolderPaths.end(), sharedFolder->GetValue().Bytes()))
            return folder;
    return nullptr;
}

void ShareListWalk::CloseEntry()
{
    if (!entryFound) {
        listing.pop_back();
    } else {
        std::vector<FileInfo>& files = listing.back().files;
        // The order and uniqueness of a set of records: by name, then size.
        std::stable_sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end(),
                                [](const FileInfo& a, const FileInfo& b) { return !(a < b) && !(b < a); }),
                    files.end());
    }
    entryOpen = false;
    ++entryIndex;
}

bool ShareListWalk::Step(const std::function<bool()>& enough)
{
    while (entryIndex < entries.size()) {
        const Entry& entry = entries[entryIndex];
        if (!entryOpen) {
            listing.push_back({entry.path, {}});
            entryOpen = true;
            entryFound = false;
            folderIndex = 0;
            lastFile = 0;
        }
        if (folderIndex == entry.folders.size()) {
            CloseEntry();
            if (enough())
                return entryIndex == entries.size();
            continue;
        }
        if (const Item* folder = ResolveFolder(entry.folders[folderIndex])) {
            entryFound = true;
            if (const ItemSet* files = folder->ConnectedSet(types.sharedFile)) {
                std::vector<FileInfo>& records = listing.back().files;
                for (ItemPtr file : *files) {
                    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(file.Get());
                    if (address <= lastFile)
                        continue;
                    const Item* name = file->GetItem(types.sharedFileName);
                    records.push_back(
                        SharedFileRecord(types, file.Get(), name ? name->GetValue().Bytes() : std::string(), true));
                    lastFile = address;
                    if (enough())
                        return false;
                }
            }
        }
        ++folderIndex;
        lastFile = 0;
    }
    return true;
}
