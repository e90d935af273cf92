#include "ui/UserListState.h"

#include "store/Data.h"

namespace UserListState {

ItemPtr User(const QString& name)
{
    return d.GetType("user")->GetItem(name);
}

void AddToList(ItemPtr user)
{
    if (!user.IsConnected("in_user_list"))
        user.NewItem("in_user_list");
}

void RemoveFromList(ItemPtr user)
{
    // Disconnecting would leave the item with its groups: still saved, and
    // counted as a member of them with no user behind it.
    if (ItemPtr entry = user.GetItem("in_user_list"))
        entry.Remove();
}

void SetOnlineAlert(ItemPtr user, bool on)
{
    if (!on) {
        user.Disconnect("user_online_alert");
        return;
    }
    // The server is asked to report the user's presence when the alert is
    // connected (UserListTracker), also when it is loaded from the file.
    user += d.GetType("user_online_alert")->GetGlobalNullItem();
}

void SetIgnored(ItemPtr user, bool on)
{
    if (on)
        user.NewItem("is_ignored");
    else
        user.Disconnect("is_ignored");
}

void SetNote(ItemPtr user, const QString& text)
{
    const QString note = text.trimmed();
    if (note.isEmpty())
        user.Disconnect("user_note");
    else
        user += d.GetType("user_note")->GetItem(note);
}

ItemPtr GetGroup(const QString& name)
{
    const QString trimmed = name.trimmed();
    return trimmed.isEmpty() ? ItemPtr() : d.GetType("user_list_group")->GetItem(trimmed);
}

bool IsMember(ItemPtr user, ItemPtr group)
{
    ItemPtr entry = user.GetItem("in_user_list");
    return entry && entry.IsConnected(group);
}

void SetMember(ItemPtr user, ItemPtr group, bool member)
{
    ItemPtr entry = user.GetItem("in_user_list");
    if (!entry || !group)
        return;
    if (member)
        entry += group;
    else
        entry -= group;
}

void SetAcceptUploads(ItemPtr group, bool on)
{
    if (on)
        group += d.GetType("accept_uploads")->GetGlobalNullItem();
    else
        group.Disconnect("accept_uploads");
}

void SetPriority(ItemPtr group, int priority)
{
    group += d.GetType("group_download_priority")->GetItem(QString::number(priority));
}

void DeleteGroup(ItemPtr group)
{
    group.Remove();
}

int MemberCount(ItemPtr group)
{
    return int(group.GetItems("in_user_list").Connected("user").Size());
}

} // namespace UserListState
