#include "ui/UserShareBuilder.h"

#include "store/Data.h"

#include <algorithm>

namespace {
void Set(ItemPtr item, const char* typeName, const Value& value)
{
    item += d.GetType(typeName)->GetItem(value);
}
} // namespace

UserShareBuilder::UserShareBuilder(ItemPtr userShare, FileInfoMap shareListing, int fileLimit)
    : share(userShare)
    , listing(std::move(shareListing))
    , folder(listing.cbegin())
    , maxFiles(fileLimit)
{
}

std::string UserShareBuilder::ParentPath(const std::string& path)
{
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\')
        trimmed.pop_back();
    const std::size_t separator = trimmed.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : trimmed.substr(0, separator);
}

void UserShareBuilder::StartFolder()
{
    const std::string& path = folder->first;
    const ItemPtr shareFolder = share.NewItem("user_share_folder");
    Set(shareFolder, "user_share_folder_name", Value(path));
    const std::string parentPath = ParentPath(path);
    const auto parent = foldersByPath.find(parentPath);
    int depth = 0;
    if (parentPath != path && parent != foldersByPath.end() && parent->second.depth < MaxDepth) {
        const ItemPtr up = shareFolder.NewItem("user_share_folder_parent");
        up += parent->second.item.NewItem("user_share_folder_child");
        depth = parent->second.depth + 1;
    }
    foldersByPath.emplace(path, BuiltFolder{shareFolder, depth});
    folders.push_back(shareFolder);
    file = folder->second.cbegin();
    folderStarted = true;
}

void UserShareBuilder::AddFile(ItemPtr shareFolder, const FileInfo& info)
{
    const ItemPtr shareFile = shareFolder.NewItem("user_share_file");
    Set(shareFile, "user_share_file_name", Value(info.name));
    Set(shareFile, "file_size", Value(static_cast<unsigned long long>(info.size)));
    for (const auto& [code, value] : info.attributes.GetPairs()) {
        if (code == AttributeMap::LengthSeconds)
            Set(shareFile, "length_seconds", Value(value));
        else if (code == AttributeMap::VariableBitrate)
            Set(shareFile, "bitrate_mode", value == 0 ? "cbr" : "vbr");
        else if (code == AttributeMap::Bitrate)
            Set(shareFile, "bitrate", Value(value));
    }
}

bool UserShareBuilder::Step(int files)
{
    while (folder != listing.cend()) {
        if (!folderStarted)
            StartFolder();
        const ItemPtr shareFolder = folders.back();
        for (; file != folder->second.cend(); ++file) {
            if (builtFiles >= maxFiles) {
                ++skippedFiles;
                continue;
            }
            if (files-- <= 0)
                return false;
            AddFile(shareFolder, *file);
            ++builtFiles;
        }
        ++folder;
        folderStarted = false;
    }
    return true;
}
