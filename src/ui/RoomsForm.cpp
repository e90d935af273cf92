#include "ui/RoomsForm.h"

#include "app/Settings.h"
#include "server/Server.h"
#include "store/Data.h"
#include "ui/ChatIcons.h"
#include "ui/CreateRoomDialog.h"
#include "ui/RoomForm.h"
#include "ui/RoomListView.h"
#include "ui/RoomWallForm.h"

#include <QAction>
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
    // A room brought to the front is ready for typing.
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (RoomForm* room = CurrentRoom())
            room->setFocus();
    });

    BuildToolBar();
    WatchRooms();
    if (gp_server) {
        connect(gp_server, &Server::Connected, this, &RoomsForm::OnConnected);
        connect(gp_server, &Server::PrivateRoomAddEnabled, this, &RoomsForm::OnPrivateRoomAddEnabled);
    }
    for (ItemPtr room : g("room").Connected("in_room"))
        OnRoomEntered(room);
    UpdateInvitationsAction();
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
    invitationsAction
        = add("private_room_invitations", "Accept Private Room Invitations", &RoomsForm::TogglePrivateRoomInvitations);
}

void RoomsForm::WatchRooms()
{
    WatchRoomFlag(this, "in_room", PathOnConnect,
                  new EventHandler<RoomsForm, ItemPtr>(this, &RoomsForm::OnRoomEntered));
    WatchRoomFlag(this, "in_room", PathOnDisconnect,
                  new EventHandler<RoomsForm, ItemPtr>(this, &RoomsForm::OnRoomLeft));
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
}

void RoomsForm::OnRoomLeft(ItemPtr room)
{
    delete RoomForm::Find(room);
}

void RoomsForm::OnTabCloseRequested(int index)
{
    if (auto* form = qobject_cast<RoomForm*>(tabs->widget(index)))
        delete form;
}

void RoomsForm::UpdateInvitationsAction()
{
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

void RoomsForm::TogglePrivateRoomInvitations()
{
    if (gp_server)
        gp_server->EnablePrivateRoomAdd(GetSetting("enable_private_room_add") != "yes");
}

void RoomsForm::OnConnected()
{
    // Until the server says otherwise after this login.
    SetSetting("enable_private_room_add", "no");
    UpdateInvitationsAction();
}

void RoomsForm::OnPrivateRoomAddEnabled(bool enabled)
{
    SetSetting("enable_private_room_add", enabled ? "yes" : "no");
    UpdateInvitationsAction();
}
