#include "ui/UserMenu.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "ui/MainWindow.h"

UserMenu::UserMenu(const QString& userName, QWidget* parent)
    : QMenu(parent)
    , user(userName)
{
    QAction* message = addAction("Message user", [this] { emit ChatRequested(user); });
    message->setObjectName("message_user");
    if (user == GetSetting("username"))
        return;
    // The windows these open live in the main window.
    addAction("Browse user's files", [this] {
        if (mainWindow)
            mainWindow->OpenShareBrowse(user);
    })->setObjectName("browse_user");
    addAction("Upload to user", [this] {
        if (mainWindow)
            mainWindow->OpenUploadBrowse(user);
    })->setObjectName("upload_to_user");
    addAction("Get User Info", [this] {
        if (mainWindow)
            mainWindow->OpenUserInfo(user);
    })->setObjectName("get_user_info");
    AddPrivateRooms();
}

void UserMenu::AddPrivateRooms()
{
    ItemPtr userItem = d.GetType("user")->GetItem(user);
    QMenu* rooms = nullptr;
    for (ItemPtr room : g("room").Connected("is_private").SortAlphabetic(true)) {
        const bool owner = room.IsConnected("is_owner");
        if (!owner && !room.IsConnected("is_operator"))
            continue;
        if (!rooms)
            rooms = addMenu("Private Rooms");
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
