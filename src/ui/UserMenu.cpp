#include "ui/UserMenu.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "transfers/TransferQueueManager.h"
#include "ui/GiftPrivilegesDialog.h"
#include "ui/ItemLogDialog.h"
#include "ui/MainWindow.h"
#include "ui/UserGroupsDialog.h"
#include "ui/UserListState.h"
#include "ui/UserNoteDialog.h"

#include <QMetaMethod>

UserMenu::UserMenu(const QString& userName, QWidget* parent)
    : QMenu(parent)
    , user(userName)
    , userItem(UserListState::User(userName))
{
    AddEntry("message_user", "Message user", [this] { RequestChat(); });
    if (user == GetSetting("username"))
        return;
    // The windows these open live in the main window.
    AddEntry("browse_user", "Browse user's files", [this] {
        if (mainWindow)
            mainWindow->OpenShareBrowse(user);
    });
    AddEntry("upload_to_user", "Upload to user", [this] {
        if (mainWindow)
            mainWindow->OpenUploadBrowse(user);
    });
    AddEntry("get_user_info", "Get User Info", [this] {
        if (mainWindow)
            mainWindow->OpenUserInfo(user);
    });
    addSeparator();
    AddListEntries();
    AddMarkEntries();
    AddPrivateRooms();
}

QAction* UserMenu::AddEntry(const char* name, const QString& text, const std::function<void()>& effect)
{
    QAction* action = addAction(text, effect);
    action->setObjectName(name);
    return action;
}

void UserMenu::RequestChat()
{
    if (isSignalConnected(QMetaMethod::fromSignal(&UserMenu::ChatRequested)))
        emit ChatRequested(user);
    else if (mainWindow)
        mainWindow->OpenPrivateChat(user);
}

QWidget* UserMenu::DialogParent() const
{
    // Not a menu that holds this one: it goes when it closes.
    QWidget* owner = parentWidget();
    while (qobject_cast<QMenu*>(owner))
        owner = owner->parentWidget();
    return owner ? owner->window() : mainWindow;
}

void UserMenu::AddListEntries()
{
    if (userItem.IsConnected("in_user_list")) {
        AddEntry("user_list", "Remove user from list", [this] { UserListState::RemoveFromList(userItem); });
        AddEntry("user_groups", "Set user's groups", [this] { UserGroupsDialog(userItem, DialogParent()).exec(); });
    } else {
        AddEntry("user_list", "Add user to list", [this] {
            UserListState::AddToList(userItem);
            if (IsSettingOn("open_groups_on_user_add"))
                UserGroupsDialog(userItem, DialogParent()).exec();
        });
    }
    if (userItem.IsConnected("user_online_alert"))
        AddEntry("online_alert", "Remove online status alert",
                 [this] { UserListState::SetOnlineAlert(userItem, false); });
    else
        AddEntry("online_alert", "Alert when user goes online",
                 [this] { UserListState::SetOnlineAlert(userItem, true); });
}

void UserMenu::AddMarkEntries()
{
    if (userItem.IsConnected("is_ignored"))
        AddEntry("ignore", "Receive chat from user", [this] { UserListState::SetIgnored(userItem, false); });
    else
        AddEntry("ignore", "Ignore chat from user", [this] { UserListState::SetIgnored(userItem, true); });
    // The transfer queue withholds the shares and refuses what the user has queued.
    if (transferQueueManager) {
        if (userItem.IsConnected("unshared"))
            AddEntry("unshare", "Re-share files with user", [this] { transferQueueManager->ReshareUser(user); });
        else
            AddEntry("unshare", "Unshare files from user", [this] { transferQueueManager->UnshareUser(user); });
    }
    AddEntry("user_note", userItem.IsConnected("user_note") ? "Edit user note" : "Add user note",
             [this] { UserNoteDialog(userItem, DialogParent()).exec(); });
    AddEntry("gift_privileges", "Gift Privileges", [this] { GiftPrivilegesDialog(user, DialogParent()).exec(); });
    Type* itemLog = d.HasType("item_log");
    if (IsSettingOn("user_level_logging") && itemLog && userItem.GetType()->IsRelated(itemLog))
        AddEntry("user_log", "See User Log", [this] { (new ItemLogDialog(userItem, DialogParent()))->show(); });
}

void UserMenu::AddPrivateRooms()
{
    QMenu* rooms = nullptr;
    for (ItemPtr room : g("room").Connected("is_private").SortAlphabetic(true)) {
        const bool owner = room.IsConnected("is_owner");
        if (!owner && !room.IsConnected("is_operator"))
            continue;
        if (!rooms) {
            addSeparator();
            rooms = addMenu("Private Rooms");
        }
        QMenu* menu = rooms->addMenu(room.AsString());
        const QString name = room.AsString();
        const bool member = room["room_members"].IsConnected(userItem);
        const bool roomOperator = room["room_operators"].IsConnected(userItem);
        if (!member)
            menu->addAction("Give User Membership", [name, this] { gp_server->AddPrivateRoomMember(name, user); });
        else
            menu->addAction("Remove User's Membership",
                            [name, this] { gp_server->RemovePrivateRoomMember(name, user); });
        if (owner && member && !roomOperator)
            menu->addAction("Make User Operator", [name, this] { gp_server->AddPrivateRoomOperator(name, user); });
        else if (owner && roomOperator)
            menu->addAction("Remove User's Operator Status",
                            [name, this] { gp_server->RemovePrivateRoomOperator(name, user); });
    }
}
