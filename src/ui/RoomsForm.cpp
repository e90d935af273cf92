#include "ui/RoomsForm.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "ui/ChatIcons.h"
#include "ui/ChatLogForm.h"
#include "ui/CreateRoomDialog.h"
#include "ui/RoomForm.h"
#include "ui/RoomListView.h"
#include "ui/RoomWallForm.h"

#include <QAction>
#include <QMessageBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

void WatchRoomFlag(DataHandler* owner, const char* flag, PathNodeRelation relation, EventHandlerBase<ItemPtr>* handler)
{
    auto* root = new PathNode(&d, "room");
    new PathNode(root, flag, relation);
    d.AddPathEventHandler(root, owner->AddDataHandler(handler));
}

} // namespace

void RoomsForm::DeclareTypes()
{
    RoomListView::DeclareTypes();
    RoomForm::DeclareTypes();
    RoomWallForm::DeclareTypes();
}

RoomsForm::RoomsForm(QWidget* parent)
    : QWidget(parent)
    , toolBar(new QToolBar("Rooms"))
    , tabs(new QTabWidget)
    , list(new RoomListView)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(tabs);
    tabs->setObjectName("room_tabs");
    tabs->setDocumentMode(true);
    tabs->setTabsClosable(true);
    tabs->setMovable(true);
    tabs->addTab(list, "Room List");
    // The list stays.
    tabs->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
    tabs->tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);
    connect(tabs, &QTabWidget::tabCloseRequested, this, &RoomsForm::OnTabCloseRequested);
    connect(tabs, &QTabWidget::currentChanged, this, &RoomsForm::UpdateActions);

    BuildToolBar();
    WatchRooms();
    if (gp_server) {
        connect(gp_server, &Server::Connected, this, &RoomsForm::OnConnected);
        connect(gp_server, &Server::PrivateRoomAddEnabled, this, &RoomsForm::OnPrivateRoomAddEnabled);
    }
    for (ItemPtr room : g("room").Connected("in_room"))
        OnRoomEntered(room);
    UpdateActions();
}

RoomsForm::~RoomsForm()
{
    RemoveDataHandlers();
}

void RoomsForm::BuildToolBar()
{
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this](const char* name, const QString& text, void (RoomsForm::*slot)()) {
        QAction* action = toolBar->addAction(text, this, slot);
        action->setObjectName(name);
        return action;
    };
    createAction = add("create_room", "Create Room", &RoomsForm::CreateRoom);
    refreshAction = add("refresh_room_list", "Refresh Room List", &RoomsForm::RefreshRoomList);
    toolBar->addSeparator();
    autojoinAction = add("toggle_room_autojoin", "Auto-Join Room [off]", &RoomsForm::ToggleAutojoin);
    autojoinAction->setToolTip("Toggle Room Autojoin: enter the room at each start");
    wallAction = add("room_wall", "Room Wall", &RoomsForm::OpenWall);
    logAction = add("chat_log", "Chat Log", &RoomsForm::OpenChatLog);
    giveUpMembershipAction = add("give_up_membership", "Give Up Membership", &RoomsForm::GiveUpMembership);
    giveUpRoomAction = add("give_up_room", "Give Up Room", &RoomsForm::GiveUpRoom);
    toolBar->addSeparator();
    invitationsAction
        = add("private_room_invitations", "Accept Private Room Invitations", &RoomsForm::TogglePrivateRoomInvitations);
}

void RoomsForm::WatchRooms()
{
    WatchRoomFlag(this, "in_room", PathOnConnect,
                  new EventHandler<RoomsForm, ItemPtr>(this, &RoomsForm::OnRoomEntered));
    WatchRoomFlag(this, "in_room", PathOnDisconnect,
                  new EventHandler<RoomsForm, ItemPtr>(this, &RoomsForm::OnRoomLeft));
    for (const char* flag : {"room_autojoin", "is_member", "is_owner"}) {
        WatchRoomFlag(this, flag, PathOnConnect,
                      new EventHandler<RoomsForm, ItemPtr>(this, &RoomsForm::OnRoomFlagChanged));
        WatchRoomFlag(this, flag, PathOnDisconnect,
                      new EventHandler<RoomsForm, ItemPtr>(this, &RoomsForm::OnRoomFlagChanged));
    }
}

RoomForm* RoomsForm::CurrentRoom() const
{
    return qobject_cast<RoomForm*>(tabs->currentWidget());
}

void RoomsForm::OnRoomEntered(ItemPtr room)
{
    if (RoomForm::Find(room))
        return;
    auto* form = new RoomForm(room);
    connect(form, &RoomForm::ChatRequested, this, &RoomsForm::ChatRequested);
    const int index = tabs->addTab(form, RoomIcon(), room.AsString());
    // A room the user entered comes to the front; one entered on the user's
    // behalf (auto-join, a new membership) waits with its mark.
    if (isVisible())
        tabs->setCurrentIndex(index);
    UpdateActions();
}

void RoomsForm::OnRoomLeft(ItemPtr room)
{
    delete RoomForm::Find(room);
    UpdateActions();
}

void RoomsForm::OnRoomFlagChanged(ItemPtr room)
{
    if (RoomForm* current = CurrentRoom(); current && current->Room() == room)
        UpdateActions();
}

void RoomsForm::OnTabCloseRequested(int index)
{
    if (auto* form = qobject_cast<RoomForm*>(tabs->widget(index)))
        delete form;
}

void RoomsForm::UpdateActions()
{
    RoomForm* current = CurrentRoom();
    const ItemPtr room = current ? current->Room() : ItemPtr();
    for (QAction* action : {autojoinAction, wallAction, logAction})
        action->setEnabled(current != nullptr);
    autojoinAction->setText(room.IsConnected("room_autojoin") ? "Auto-Join Room [on]" : "Auto-Join Room [off]");
    giveUpMembershipAction->setVisible(room.IsConnected("is_member") && !room.IsConnected("is_owner"));
    giveUpRoomAction->setVisible(room.IsConnected("is_owner"));
    invitationsAction->setText(GetSetting("enable_private_room_add") == "yes" ? "Reject Private Room Invitations"
                                                                              : "Accept Private Room Invitations");
}

void RoomsForm::CreateRoom()
{
    CreateRoomDialog(this).exec();
}

void RoomsForm::RefreshRoomList()
{
    if (!gp_server)
        return;
    // A list that was asked for may add rooms; one that was not only
    // refreshes the counts.
    SetSetting("accept_room_list", "yes");
    gp_server->GetRoomList();
}

void RoomsForm::ToggleAutojoin()
{
    RoomForm* current = CurrentRoom();
    if (!current)
        return;
    ItemPtr room = current->Room();
    if (room.IsConnected("room_autojoin"))
        room.Disconnect("room_autojoin");
    else
        room.NewItem("room_autojoin");
    UpdateActions();
}

void RoomsForm::OpenWall()
{
    if (RoomForm* current = CurrentRoom())
        RoomWallForm::Open(current->Room(), window());
}

void RoomsForm::OpenChatLog()
{
    if (RoomForm* current = CurrentRoom())
        ChatLogForm::Open(ChatLogFile::Kind::Room, current->Name(), window());
}

void RoomsForm::GiveUpMembership()
{
    RoomForm* current = CurrentRoom();
    if (!current || !current->Room().IsConnected("is_member"))
        return;
    const QString name = current->Name();
    const auto answer = QMessageBox::question(
        this, "Give up membership?",
        QString("Are you sure you want to give up your membership to the %1 private room?").arg(name));
    if (answer == QMessageBox::Yes && gp_server)
        gp_server->GiveUpPrivateRoomMembership(name);
}

void RoomsForm::GiveUpRoom()
{
    RoomForm* current = CurrentRoom();
    if (!current || !current->Room().IsConnected("is_owner"))
        return;
    const QString name = current->Name();
    const auto answer = QMessageBox::question(
        this, "REALLY?", QString("Are you SURE you want to give up your ownership of the %1 private room?").arg(name));
    if (answer != QMessageBox::Yes || !gp_server)
        return;
    gp_server->GiveUpPrivateRoom(name);
    gp_server->LeaveRoom(name);
}

void RoomsForm::TogglePrivateRoomInvitations()
{
    if (gp_server)
        gp_server->EnablePrivateRoomAdd(GetSetting("enable_private_room_add") != "yes");
}

void RoomsForm::OnConnected()
{
    // Until the server says otherwise after this login.
    SetSetting("enable_private_room_add", "no");
    UpdateActions();
}

void RoomsForm::OnPrivateRoomAddEnabled(bool enabled)
{
    SetSetting("enable_private_room_add", enabled ? "yes" : "no");
    UpdateActions();
}
