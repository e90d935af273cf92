#include "ui/RoomForm.h"

#include "server/Server.h"
#include "store/Data.h"
#include "ui/ChatLogForm.h"
#include "ui/ChatText.h"
#include "ui/ObjectLinks.h"
#include "ui/RoomWallForm.h"
#include "ui/TabActivity.h"
#include "ui/UserMenu.h"

#include <QAction>
#include <QDateTime>
#include <QHeaderView>
#include <QMessageBox>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

namespace {

const char* const LinkType = "room_form";

enum MemberColumn
{
    NameColumn,
    FilesColumn,
};

// Sorts the name column without regard to case and the numbers as numbers.
class MemberRow : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : NameColumn;
        if (column == NameColumn)
            return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
        return data(column, Qt::UserRole).toLongLong() < other.data(column, Qt::UserRole).toLongLong();
    }
};

} // namespace

void RoomForm::DeclareTypes()
{
    ObjectLinks::DeclareLinkType(LinkType, {"room"});
}

RoomForm* RoomForm::Find(ItemPtr room)
{
    return ObjectLinks::LinkedAs<RoomForm>(room, LinkType);
}

RoomForm::RoomForm(ItemPtr roomItem, QWidget* parent)
    : ChatPanel(ChatLogFile::Kind::Room, roomItem.AsString(), true, parent)
    , room(roomItem)
    , members(new QTreeWidget)
{
    members->setObjectName("room_members");
    members->setHeaderLabels({"Users", "Files"});
    members->setRootIsDecorated(false);
    members->setUniformRowHeights(true);
    members->setSortingEnabled(true);
    members->sortByColumn(NameColumn, Qt::AscendingOrder);
    members->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    members->header()->setSectionResizeMode(FilesColumn, QHeaderView::ResizeToContents);
    members->header()->setStretchLastSection(false);
    members->setContextMenuPolicy(Qt::CustomContextMenu);
    members->setMinimumWidth(200);
    connect(members, &QTreeWidget::itemActivated, this, &RoomForm::OnMemberActivated);
    connect(members, &QTreeWidget::customContextMenuRequested, this, &RoomForm::OnMembersContextMenu);
    Splitter()->addWidget(members);
    Splitter()->setStretchFactor(1, 0);
    Splitter()->setSizes({700, 220});

    BuildToolBar();
    ObjectLinks::Link(room, LinkType, this);
    WatchMembers();
    WatchRoomFlags();
    UpdateActions();
    for (ItemPtr user : room.GetItems("user"))
        OnMemberJoined(user);
    if (gp_server) {
        connect(gp_server, &Server::RoomChat, this, &RoomForm::OnRoomChat);
        connect(gp_server, &Server::Disconnected, this, &RoomForm::OnDisconnected);
        connect(gp_server, &Server::Connected, this, &RoomForm::OnConnected);
    }
}

RoomForm::~RoomForm()
{
    RemoveDataHandlers();
    ObjectLinks::Unlink(room, LinkType, this);
    if (!gp_server)
        return;
    if (gp_server->IsConnected()) {
        gp_server->LeaveRoom(Name());
    } else {
        // The server forgot the room with the session; so does the graph, so
        // that entering it again opens its chat.
        room.Disconnect("in_room");
        room.Disconnect("user");
    }
}

void RoomForm::BuildToolBar()
{
    auto* toolBar = new QToolBar;
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this, toolBar](const char* name, const QString& text, void (RoomForm::*slot)()) {
        QAction* action = toolBar->addAction(text, this, slot);
        action->setObjectName(name);
        return action;
    };
    autojoinAction = add("toggle_room_autojoin", "Auto-Join Room [off]", &RoomForm::ToggleAutojoin);
    autojoinAction->setToolTip("Enter this room whenever Quillmer starts");
    add("room_wall", "Room Wall", &RoomForm::OpenWall);
    add("chat_log", "Chat Log", &RoomForm::OpenChatLog);
    giveUpMembershipAction = add("give_up_membership", "Give Up Membership", &RoomForm::GiveUpMembership);
    giveUpRoomAction = add("give_up_room", "Give Up Room", &RoomForm::GiveUpRoom);
    AddToolBar(toolBar);
}

void RoomForm::WatchRoomFlags()
{
    for (const char* flag : {"room_autojoin", "is_member", "is_owner"}) {
        for (PathNodeRelation relation : {PathOnConnect, PathOnDisconnect}) {
            auto* root = new PathNode(room);
            new PathNode(root, flag, relation);
            d.AddPathEventHandler(
                root, AddDataHandler(new EventHandler<RoomForm, ItemPtr>(this, &RoomForm::OnRoomFlagChanged)));
        }
    }
}

void RoomForm::OnRoomFlagChanged(ItemPtr)
{
    UpdateActions();
}

void RoomForm::UpdateActions()
{
    autojoinAction->setText(room.IsConnected("room_autojoin") ? "Auto-Join Room [on]" : "Auto-Join Room [off]");
    giveUpMembershipAction->setVisible(room.IsConnected("is_member") && !room.IsConnected("is_owner"));
    giveUpRoomAction->setVisible(room.IsConnected("is_owner"));
}

void RoomForm::ToggleAutojoin()
{
    if (room.IsConnected("room_autojoin"))
        room.Disconnect("room_autojoin");
    else
        room.NewItem("room_autojoin");
}

void RoomForm::OpenWall()
{
    RoomWallForm::Open(room, window());
}

void RoomForm::OpenChatLog()
{
    ChatLogForm::Open(ChatLogFile::Kind::Room, Name(), window());
}

void RoomForm::GiveUpMembership()
{
    if (!room.IsConnected("is_member"))
        return;
    const auto answer = QMessageBox::question(
        this, "Give up membership?",
        QString("Are you sure you want to give up your membership to the %1 private room?").arg(Name()));
    if (answer == QMessageBox::Yes && gp_server)
        gp_server->GiveUpPrivateRoomMembership(Name());
}

void RoomForm::GiveUpRoom()
{
    if (!room.IsConnected("is_owner"))
        return;
    const auto answer = QMessageBox::question(
        this, "REALLY?",
        QString("Are you SURE you want to give up your ownership of the %1 private room?").arg(Name()));
    if (answer != QMessageBox::Yes || !gp_server)
        return;
    gp_server->GiveUpPrivateRoom(Name());
    gp_server->LeaveRoom(Name());
}

void RoomForm::WatchMembers()
{
    auto* joined = new PathNode(&d, "user");
    new PathNode(joined, room, PathOnConnect);
    d.AddPathEventHandler(joined, AddDataHandler(new EventHandler<RoomForm, ItemPtr>(this, &RoomForm::OnMemberJoined)));
    auto* left = new PathNode(&d, "user");
    new PathNode(left, room, PathOnDisconnect);
    d.AddPathEventHandler(left, AddDataHandler(new EventHandler<RoomForm, ItemPtr>(this, &RoomForm::OnMemberLeft)));
}

void RoomForm::OnMemberJoined(ItemPtr user)
{
    const QString userName = user.AsString();
    if (memberRows.contains(userName))
        return;
    auto* row = new MemberRow;
    row->setText(NameColumn, userName);
    members->addTopLevelItem(row);
    memberRows.insert(userName, row);
    UpdateMemberCount();
    // The user's statistics follow the connection to the room.
    if (!detailsRefreshPending) {
        detailsRefreshPending = true;
        QTimer::singleShot(0, this, &RoomForm::RefreshMemberDetails);
    }
}

void RoomForm::OnMemberLeft(ItemPtr user)
{
    delete memberRows.take(user.AsString());
    UpdateMemberCount();
}

void RoomForm::UpdateMemberCount()
{
    members->headerItem()->setText(NameColumn, QString("Users (%1)").arg(memberRows.size()));
}

void RoomForm::RefreshMemberDetails()
{
    detailsRefreshPending = false;
    Type* users = d.GetType("user");
    for (auto row = memberRows.cbegin(); row != memberRows.cend(); ++row) {
        ItemPtr user = users->HasItem(row.key());
        const long long files = user["shared_file_count"].AsInt64();
        const long long speed = user["average_download_speed"].AsInt64();
        row.value()->setText(FilesColumn, QString::number(files));
        row.value()->setData(FilesColumn, Qt::UserRole, files);
        const QString tip
            = QString("%1: %2 shared files, average speed %3 KiB/s").arg(row.key()).arg(files).arg(speed / 1024);
        row.value()->setToolTip(NameColumn, tip);
        row.value()->setToolTip(FilesColumn, tip);
    }
}

void RoomForm::OnRoomChat(const QString& roomName, const QString& user, const QString& text)
{
    if (roomName != Name())
        return;
    ShowChat(user, text);
    TabActivity::Mark(this);
}

bool RoomForm::Send(const QString& text)
{
    if (!gp_server || !gp_server->IsConnected()) {
        ShowNotSent();
        return false;
    }
    gp_server->SendRoomChat(Name(), text);
    return true;
}

void RoomForm::OnDisconnected()
{
    sessionLost = true;
    ShowStatus(QString("Disconnected at %1.").arg(ChatText::ShortTime(QDateTime::currentDateTime())));
}

void RoomForm::OnConnected()
{
    if (!sessionLost)
        return;
    sessionLost = false;
    ShowStatus(QString("Reconnected at %1.").arg(ChatText::ShortTime(QDateTime::currentDateTime())));
    gp_server->EnterRoom(Name(), false);
}

void RoomForm::OnMemberActivated(QTreeWidgetItem* row)
{
    emit ChatRequested(row->text(NameColumn));
}

void RoomForm::OnMembersContextMenu(const QPoint& position)
{
    QTreeWidgetItem* row = members->itemAt(position);
    if (!row)
        return;
    UserMenu menu(row->text(NameColumn), this);
    connect(&menu, &UserMenu::ChatRequested, this, &RoomForm::ChatRequested);
    menu.exec(members->viewport()->mapToGlobal(position));
}
