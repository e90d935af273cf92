#include "ui/RoomListView.h"

#include "server/Server.h"
#include "store/Data.h"
#include "ui/ObjectLinks.h"

#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QTimer>

namespace {

const char* const LinkType = "room_node";
constexpr int SortRole = Qt::UserRole;

// The own user's standing in a room, higher first.
int Rank(ItemPtr room)
{
    if (room.IsConnected("is_owner"))
        return 3;
    if (room.IsConnected("is_operator"))
        return 2;
    if (room.IsConnected("is_member"))
        return 1;
    return 0;
}

QString Access(ItemPtr room)
{
    if (!room.IsConnected("is_private"))
        return "public";
    switch (Rank(room)) {
    case 3: return "private, owner";
    case 2: return "private, operator";
    case 1: return "private, member";
    default: return "private";
    }
}

// Names sort without regard to case; the other columns by role, then count.
class RoomRow : public QTreeWidgetItem
{
public:
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : RoomListView::UsersColumn;
        if (column == RoomListView::NameColumn)
            return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
        return data(RoomListView::UsersColumn, SortRole).toLongLong()
            < other.data(RoomListView::UsersColumn, SortRole).toLongLong();
    }
};

} // namespace

void RoomListView::DeclareTypes()
{
    ObjectLinks::DeclareLinkType(LinkType, {"room"});
}

RoomListView::RoomListView(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName("room_list");
    setHeaderLabels({"Room Name", "Users", "Access"});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSortingEnabled(true);
    sortByColumn(UsersColumn, Qt::DescendingOrder);
    header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    header()->setStretchLastSection(false);
    setColumnWidth(UsersColumn, 80);
    setColumnWidth(AccessColumn, 140);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QTreeWidget::itemActivated, this, &RoomListView::OnItemActivated);
    connect(this, &QTreeWidget::customContextMenuRequested, this, &RoomListView::OnContextMenu);

    Watch("user_count", PathOnConnect);
    for (const char* flag : {"is_owner", "is_operator", "is_member", "is_private", "in_room"}) {
        Watch(flag, PathOnConnect);
        Watch(flag, PathOnDisconnect);
    }
    for (ItemPtr room : g("room").Connected("user_count"))
        OnRoomChanged(room);
}

RoomListView::~RoomListView()
{
    RemoveDataHandlers();
    for (int n = 0; n < topLevelItemCount(); ++n) {
        ItemPtr room = d.GetType("room")->HasItem(topLevelItem(n)->text(NameColumn));
        ObjectLinks::Unlink(room, LinkType, topLevelItem(n));
    }
}

void RoomListView::Watch(const char* typeName, PathNodeRelation relation)
{
    auto* root = new PathNode(&d, "room");
    new PathNode(root, typeName, relation);
    d.AddPathEventHandler(root,
                          AddDataHandler(new EventHandler<RoomListView, ItemPtr>(this, &RoomListView::OnRoomChanged)));
}

QTreeWidgetItem* RoomListView::Row(ItemPtr room) const
{
    return ObjectLinks::LinkedAs<QTreeWidgetItem>(room, LinkType);
}

void RoomListView::OnRoomChanged(ItemPtr room)
{
    // A room list names every room at once: the rows follow in slices.
    if (pending.empty())
        QTimer::singleShot(0, this, &RoomListView::UpdatePendingSlice);
    pending.insert(room);
}

void RoomListView::UpdatePendingSlice()
{
    setUpdatesEnabled(false);
    for (int n = 0; n < RowsPerSlice && !pending.empty(); ++n) {
        UpdateRow(*pending.begin());
        pending.erase(pending.begin());
    }
    setUpdatesEnabled(true);
    if (!pending.empty())
        QTimer::singleShot(0, this, &RoomListView::UpdatePendingSlice);
}

void RoomListView::UpdateRow(ItemPtr room)
{
    QTreeWidgetItem* row = Row(room);
    // Only rooms that the server has listed have a row.
    if (!row && !room.IsConnected("user_count"))
        return;
    if (!row) {
        row = new RoomRow;
        row->setText(NameColumn, room.AsString());
        row->setTextAlignment(UsersColumn, Qt::AlignRight | Qt::AlignVCenter);
        ObjectLinks::Link(room, LinkType, row);
        addTopLevelItem(row);
    }
    const long long count = room["user_count"].AsInt64();
    row->setText(UsersColumn, QString::number(count));
    row->setData(UsersColumn, SortRole, Rank(room) * 1000000000LL + count);
    row->setText(AccessColumn, Access(room));
    QFont font = row->font(NameColumn);
    font.setBold(room.IsConnected("in_room"));
    row->setFont(NameColumn, font);
}

void RoomListView::OnItemActivated(QTreeWidgetItem* row)
{
    if (gp_server)
        gp_server->EnterRoom(row->text(NameColumn), false);
}

void RoomListView::OnContextMenu(const QPoint& position)
{
    QTreeWidgetItem* row = itemAt(position);
    if (!row)
        return;
    QMenu menu(this);
    menu.addAction("enter", [this, row] { OnItemActivated(row); });
    menu.exec(viewport()->mapToGlobal(position));
}

void RoomListView::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    if (topLevelItemCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     "No rooms listed yet. The server lists its rooms when you connect; Refresh Room List asks "
                     "again, and Create Room opens a room of your own.");
}
