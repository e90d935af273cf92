#include "shares/ShareListings.h"

#include "shares/ShareVisibility.h"
#include "store/Data.h"

#include <algorithm>
#include <optional>

namespace {
std::string Bytes(ItemPtr item)
{
    return item ? item->GetValue().Bytes() : std::string();
}

std::string Backslashed(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

FileInfo SharedFileRecord(ItemPtr file, std::string name, bool withAttributes)
{
    const std::string fileName = Bytes(file.GetItem("shared_file_name"));
    AttributeMap attributes;
    if (withAttributes) {
        const ItemPtr bitrate = file.GetItem("bitrate");
        const ItemPtr mode = file.GetItem("bitrate_mode");
        attributes = AttributeMap::ForSharedFile(
            QString::fromStdString(fileName), bitrate ? std::optional<uint32_t>(bitrate.AsUInt()) : std::nullopt,
            mode ? std::optional<bool>(mode->GetValue().Bytes() == "vbr") : std::nullopt);
    }
    return FileInfo(std::move(name), file.GetItem("shared_file_size").AsUInt64(), std::move(attributes));
}
} // namespace

std::set<FileInfo> SearchReplyFiles(const std::vector<ItemPtr>& files)
{
    std::set<FileInfo> records;
    for (ItemPtr file : files)
        records.insert(SharedFileRecord(
            file,
            Backslashed(Bytes(file.GetItem("shared_file_folder")) + "/" + Bytes(file.GetItem("shared_file_name"))),
            true));
    return records;
}

FileInfoMap GetSharedFilesForUser(const QString& user)
{
    FileInfoMap share;
    for (ItemPtr root : GetUserSharedFolders(user))
        for (ItemPtr folder : root.GetItems("shared_file_folder")) {
            std::set<FileInfo>& files = share[Backslashed(Bytes(folder))];
            for (ItemPtr file : folder.GetItems("shared_file"))
                files.insert(SharedFileRecord(file, Bytes(file.GetItem("shared_file_name")), true));
        }
    return share;
}

SharedFolderInfo GetFolderContentsForUser(const QString& user, const QString& folder)
{
    SharedFolderInfo contents;
    const ItemPtr found = d.GetType("shared_file_folder")->HasItem(Value(QString(folder).replace('\\', '/')));
    if (!found || found.GetItems("shared_folder").Common(GetUserSharedFolders(user)).Empty())
        return contents;
    for (ItemPtr file : found.GetItems("shared_file"))
        contents.files.insert(SharedFileRecord(file, Bytes(file.GetItem("shared_file_name")), false));
    return contents;
}
