#include "shares/ShareVisibility.h"

#include "store/Data.h"

namespace {
// Whether the shared folder is visible to the user list member whose
// "in_user_list" item is given.
bool IsSharedWithListedUser(ItemPtr folder, ItemPtr inUserList)
{
    if (folder.IsConnected("shared_userlist"))
        return true;
    const ItemSet groups = inUserList.GetItems("user_list_group");
    return !folder.GetItems("user_list_group").Common(groups).Empty();
}
} // namespace

ItemSet GetUserSharedFolders(const QString& user)
{
    const ItemPtr userItem = d.GetType("user")->HasItem(Value(user));
    if (userItem.IsConnected("unshared"))
        return ItemSet();
    const ItemSet folders = g("shared_folder");
    ItemSet visible = folders.Connected("shared_public");
    const ItemPtr inUserList = userItem.GetItem("in_user_list");
    if (!inUserList)
        return visible;
    for (ItemPtr folder : folders)
        if (IsSharedWithListedUser(folder, inUserList))
            visible.Insert(folder);
    return visible;
}

bool IsFileSharedWithUser(ItemPtr file, const QString& user)
{
    const ItemPtr userItem = d.GetType("user")->HasItem(Value(user));
    if (userItem.IsConnected("unshared"))
        return false;
    const ItemPtr inUserList = userItem.GetItem("in_user_list");
    for (ItemPtr folder : file.GetItem("shared_file_folder").GetItems("shared_folder"))
        if (folder.IsConnected("shared_public") || (inUserList && IsSharedWithListedUser(folder, inUserList)))
            return true;
    return false;
}
