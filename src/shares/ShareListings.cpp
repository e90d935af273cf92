#include "shares/ShareListings.h"

#include "shares/ShareListWalk.h"
#include "shares/ShareVisibility.h"
#include "shares/SharesSchema.h"
#include "store/Data.h"

#include <algorithm>
#include <optional>

namespace {
const std::string& Bytes(const Item* item)
{
    static const std::string none;
    return item ? item->GetValue().Bytes() : none;
}

std::string Backslashed(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}
} // namespace

void PutInOrder(ShareListing& listing)
{
    std::stable_sort(listing.begin(), listing.end(),
                     [](const ListedFolder& a, const ListedFolder& b) { return a.path < b.path; });
    // Folders listed twice become one, with the files of both.
    auto kept = listing.begin();
    for (auto folder = listing.begin(); folder != listing.end(); ++folder) {
        if (folder != listing.begin() && folder->path == (kept - 1)->path) {
            std::vector<FileInfo>& files = (kept - 1)->files;
            files.insert(files.end(), std::make_move_iterator(folder->files.begin()),
                         std::make_move_iterator(folder->files.end()));
        } else {
            if (kept != folder)
                *kept = std::move(*folder);
            ++kept;
        }
    }
    listing.erase(kept, listing.end());
    for (ListedFolder& folder : listing) {
        std::vector<FileInfo>& files = folder.files;
        std::stable_sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end(),
                                [](const FileInfo& a, const FileInfo& b) { return !(a < b) && !(b < a); }),
                    files.end());
    }
}

FileInfo SharedFileRecord(const ShareTypes& types, const Item* file, std::string name, bool withAttributes)
{
    AttributeMap attributes;
    if (withAttributes) {
        const ItemPtr bitrate = file->GetItem(types.bitrate);
        const Item* mode = file->GetItem(types.bitrateMode);
        attributes
            = AttributeMap::ForSharedFile(QString::fromStdString(Bytes(file->GetItem(types.sharedFileName))),
                                          bitrate ? std::optional<uint32_t>(bitrate.AsUInt()) : std::nullopt,
                                          mode ? std::optional<bool>(mode->GetValue().Bytes() == "vbr") : std::nullopt);
    }
    return FileInfo(std::move(name), ItemPtr(file->GetItem(types.sharedFileSize)).AsUInt64(), std::move(attributes));
}

std::set<FileInfo> SearchReplyFiles(const std::vector<ItemPtr>& files)
{
    const ShareTypes types;
    std::set<FileInfo> records;
    for (ItemPtr file : files)
        records.insert(SharedFileRecord(types, file.Get(),
                                        Backslashed(Bytes(file->GetItem(types.sharedFileFolder)) + "/"
                                                    + Bytes(file->GetItem(types.sharedFileName))),
                                        true));
    return records;
}

FileInfoMap GetSharedFilesForUser(const QString& user)
{
    const ShareTypes types;
    ShareListWalk walk(types, GetUserSharedFolders(user));
    walk.Step([] { return false; });
    FileInfoMap share;
    for (const ListedFolder& folder : walk.Take())
        share[folder.path].insert(folder.files.begin(), folder.files.end());
    return share;
}

SharedFolderInfo GetFolderContentsForUser(const QString& user, const QString& folder)
{
    const ShareTypes types;
    SharedFolderInfo contents;
    const ItemPtr found = types.sharedFileFolder->HasItem(Value(QString(folder).replace('\\', '/')));
    if (!found || found.GetItems("shared_folder").Common(GetUserSharedFolders(user)).Empty())
        return contents;
    for (ItemPtr file : found.GetItems("shared_file"))
        contents.files.insert(SharedFileRecord(types, file.Get(), Bytes(file->GetItem(types.sharedFileName)), false));
    return contents;
}
