#include "ui/UserListView.h"

#include "store/Data.h"
#include "ui/ObjectLinks.h"
#include "ui/SizeText.h"
#include "ui/UserIcons.h"
#include "ui/UserMenu.h"

#include <QHeaderView>
#include <QPainter>
#include <QTextDocument>
#include <QTimer>

namespace {

constexpr int SortRole = Qt::UserRole;

// Names sort without regard to case; speed and file count as numbers.
class UserRow : public QTreeWidgetItem
{
public:
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : UserListView::NameColumn;
        if (column == UserListView::SpeedColumn || column == UserListView::FilesColumn)
            return data(column, SortRole).toLongLong() < other.data(column, SortRole).toLongLong();
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

QString GroupNames(ItemPtr user)
{
    QStringList names;
    for (ItemPtr group : user.GetItem("in_user_list").GetItems("user_list_group").SortAlphabetic(true))
        names.append(group.AsString());
    return names.join(", ");
}

} // namespace

UserListView::UserListView(const char* mark, const char* link, const QString& empty, QWidget* parent)
    : QTreeWidget(parent)
    , markType(mark)
    , linkType(link)
    , emptyText(empty)
{
    setHeaderLabels({"User", "Speed", "Files", "Groups", "Note"});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSortingEnabled(true);
    sortByColumn(NameColumn, Qt::AscendingOrder);
    setColumnWidth(NameColumn, 180);
    setColumnWidth(SpeedColumn, 90);
    setColumnWidth(FilesColumn, 70);
    setColumnWidth(GroupsColumn, 160);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QTreeWidget::itemActivated, this, &UserListView::OnItemActivated);
    connect(this, &QTreeWidget::customContextMenuRequested, this, &UserListView::OnContextMenu);

    const QSet<QString> shown{markType,    "in_user_list",           "is_online",        "is_away",
                              "user_note", "average_download_speed", "shared_file_count"};
    for (const QString& typeName : shown)
        Watch("user", typeName.toLatin1().constData(), &UserListView::OnUserConnection);
    Watch("in_user_list", "user_list_group", &UserListView::OnGroupConnection);
    for (ItemPtr user : g("user").Connected(markType))
        Touch(user);
}

UserListView::~UserListView()
{
    RemoveDataHandlers();
    Type* users = d.GetType("user");
    for (int n = 0; n < topLevelItemCount(); ++n)
        ObjectLinks::Unlink(users->HasItem(topLevelItem(n)->text(NameColumn)), linkType, topLevelItem(n));
}

void UserListView::Watch(const char* typeName, const char* otherTypeName, ConnectionMethod method)
{
    Type* type = d.GetType(typeName);
    Type* other = d.GetType(otherTypeName);
    d.AddConnectionEventHandler(type, other,
                                AddDataHandler(new EventHandler<UserListView, ConnectionInfo&>(this, method)));
    d.AddDisconnectionEventHandler(type, other,
                                   AddDataHandler(new EventHandler<UserListView, ConnectionInfo&>(this, method)));
}

void UserListView::OnUserConnection(ConnectionInfo& info)
{
    Touch(ItemPtr(info.from));
}

void UserListView::OnGroupConnection(ConnectionInfo& info)
{
    // An entry being removed may have let go of its user already; the user's
    // own disconnection has brought the row up to date then.
    if (ItemPtr user = ItemPtr(info.from).GetItem("user"))
        Touch(user);
}

void UserListView::Touch(ItemPtr user)
{
    // Every user of a joined room changes its statistics: only those shown or
    // to be shown matter.
    if (!user.IsConnected(markType) && !Row(user.AsString()))
        return;
    if (pending.isEmpty())
        QTimer::singleShot(0, this, &UserListView::UpdatePendingSlice);
    pending.insert(user.AsString());
}

QTreeWidgetItem* UserListView::Row(const QString& user) const
{
    return ObjectLinks::LinkedAs<QTreeWidgetItem>(d.GetType("user")->HasItem(user), linkType);
}

void UserListView::SetGroupFilter(const QString& group)
{
    groupFilter = group;
    for (int n = 0; n < topLevelItemCount(); ++n)
        Touch(d.GetType("user")->HasItem(topLevelItem(n)->text(NameColumn)));
    for (ItemPtr user : g("user").Connected(markType))
        Touch(user);
}

bool UserListView::Shows(ItemPtr user) const
{
    if (!user.IsConnected(markType))
        return false;
    if (groupFilter.isEmpty())
        return true;
    return user.GetItem("in_user_list").IsConnected(d.GetType("user_list_group")->HasItem(groupFilter));
}

void UserListView::UpdatePendingSlice()
{
    setUpdatesEnabled(false);
    setSortingEnabled(false);
    for (int n = 0; n < RowsPerSlice && !pending.isEmpty(); ++n) {
        const QString name = *pending.begin();
        pending.erase(pending.begin());
        UpdateRow(name);
    }
    setSortingEnabled(true);
    setUpdatesEnabled(true);
    if (!pending.isEmpty())
        QTimer::singleShot(0, this, &UserListView::UpdatePendingSlice);
}

void UserListView::UpdateRow(const QString& name)
{
    ItemPtr user = d.GetType("user")->HasItem(name);
    QTreeWidgetItem* row = ObjectLinks::LinkedAs<QTreeWidgetItem>(user, linkType);
    if (!user || !Shows(user)) {
        ObjectLinks::Unlink(user, linkType, row);
        delete row;
        return;
    }
    if (!row) {
        row = new UserRow;
        row->setText(NameColumn, name);
        row->setTextAlignment(SpeedColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(FilesColumn, Qt::AlignRight | Qt::AlignVCenter);
        ObjectLinks::Link(user, linkType, row);
        addTopLevelItem(row);
    }
    FillRow(row, user);
}

void UserListView::FillRow(QTreeWidgetItem* row, ItemPtr user)
{
    row->setIcon(NameColumn, UserStatusIcon(user));
    // Names come from the network and notes may hold "<": never taken as markup.
    row->setToolTip(NameColumn, Qt::convertFromPlainText(QString("%1: %2").arg(user.AsString(), UserStatusText(user))));
    const ItemPtr speed = user.GetItem("average_download_speed");
    row->setText(SpeedColumn, speed ? HumanSize(speed.AsUInt64()) + "/s" : QString());
    row->setData(SpeedColumn, SortRole, speed.AsInt64());
    const ItemPtr files = user.GetItem("shared_file_count");
    row->setText(FilesColumn, files ? files.AsString() : QString());
    row->setData(FilesColumn, SortRole, files.AsInt64());
    row->setText(GroupsColumn, GroupNames(user));
    const QString note = user.GetItem("user_note").AsString();
    row->setIcon(NoteColumn, note.isEmpty() ? QIcon() : UserNoteIcon());
    row->setText(NoteColumn, note.section('\n', 0, 0));
    row->setToolTip(NoteColumn, note.isEmpty() ? QString() : Qt::convertFromPlainText(note));
}

void UserListView::OnItemActivated(QTreeWidgetItem* row)
{
    emit ChatRequested(row->text(NameColumn));
}

void UserListView::OnContextMenu(const QPoint& position)
{
    QTreeWidgetItem* row = itemAt(position);
    if (!row)
        return;
    UserMenu menu(row->text(NameColumn), this);
    connect(&menu, &UserMenu::ChatRequested, this, &UserListView::ChatRequested);
    menu.exec(viewport()->mapToGlobal(position));
}

void UserListView::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    if (topLevelItemCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     emptyText);
}
