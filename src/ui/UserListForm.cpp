#include "ui/UserListForm.h"

#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/AddUserDialog.h"
#include "ui/EventToolBar.h"
#include "ui/GroupConfigDialog.h"
#include "ui/ObjectLinks.h"
#include "ui/UserListState.h"
#include "ui/UserListView.h"

#include <QAction>
#include <QInputDialog>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
// The group a row of the group list stands for; empty for all users.
constexpr int GroupRole = Qt::UserRole;
} // namespace

void UserListForm::DeclareTypes()
{
    Type* alert = d.NewType("user_online_alert", Tertiary, true, true);
    d.GetType("user")->RelateToType(alert, Many, One, false);
    dataSaver->AddSavedType("user_online_alert");
    dataSaver->AddSavedByConnectionType("user", "user_online_alert");
    for (const char* link : {"user_list_node", "ignored_list_node", "unshared_list_node", "online_alert_list_node"})
        ObjectLinks::DeclareLinkType(link, {"user"});
}

UserListForm::UserListForm(QWidget* parent)
    : QWidget(parent)
    , tabs(new QTabWidget)
    , groups(new QListWidget)
    , alerts(this)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(BuildToolBar());
    layout->addWidget(tabs);
    tabs->setObjectName("user_list_tabs");
    tabs->setDocumentMode(true);

    groups->setObjectName("user_list_groups");
    connect(groups, &QListWidget::currentItemChanged, this, &UserListForm::OnGroupChosen);
    connect(groups, &QListWidget::itemActivated, this, &UserListForm::ConfigureGroup);
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(groups);
    userList = AddList("in_user_list", "user_list_node", QString(),
                       "Nobody is on your user list yet. Add User puts someone on it, and so does \"Add user to "
                       "list\" in the menu of any user name.");
    userList->setObjectName("user_list");
    splitter->addWidget(userList);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({170, 800});
    tabs->addTab(splitter, "Users");
    ignoredList = AddList("is_ignored", "ignored_list_node", "Ignored",
                          "Nobody is ignored. \"Ignore chat from user\" in a user's menu drops that user's chat.");
    ignoredList->setObjectName("ignored_list");
    unsharedList = AddList("unshared", "unshared_list_node", "Unshared",
                           "Your shares are withheld from nobody. \"Unshare files from user\" in a user's menu "
                           "withholds them.");
    unsharedList->setObjectName("unshared_list");
    alertList = AddList("user_online_alert", "online_alert_list_node", "Online Alerts",
                        "No online alerts. \"Alert when user goes online\" in a user's menu tells you when that "
                        "user comes online.");
    alertList->setObjectName("online_alert_list");

    WatchGroups();
    RefillGroups();
}

UserListForm::~UserListForm()
{
    RemoveDataHandlers();
    if (eventToolBar)
        eventToolBar->RemoveEvents(this);
}

QToolBar* UserListForm::BuildToolBar()
{
    auto* toolBar = new QToolBar;
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar->addAction("Add User...", this, &UserListForm::OpenAddUserDialog)->setObjectName("add_user_dialog");
    toolBar->addAction("New Group...", this, &UserListForm::NewGroup)->setObjectName("new_group");
    configureGroupAction = toolBar->addAction("Configure Group...", this, &UserListForm::ConfigureGroup);
    configureGroupAction->setObjectName("configure_group");
    configureGroupAction->setEnabled(false);
    return toolBar;
}

UserListView* UserListForm::AddList(const char* mark, const char* link, const QString& title, const QString& emptyText)
{
    auto* view = new UserListView(mark, link, emptyText);
    connect(view, &UserListView::ChatRequested, this, &UserListForm::ChatRequested);
    if (!title.isEmpty())
        tabs->addTab(view, title);
    return view;
}

void UserListForm::WatchGroups()
{
    Type* group = d.GetType("user_list_group");
    for (Event<ItemPtr>* event : {&group->itemCreated, &group->itemRemoved})
        event->Add(AddDataHandler(new EventHandler<UserListForm, ItemPtr>(this, &UserListForm::OnGroupsChanged)));
    Type* entry = d.GetType("in_user_list");
    auto* joined = new EventHandler<UserListForm, ConnectionInfo&>(this, &UserListForm::OnMembershipChanged);
    auto* left = new EventHandler<UserListForm, ConnectionInfo&>(this, &UserListForm::OnMembershipChanged);
    d.AddConnectionEventHandler(entry, group, AddDataHandler(joined));
    d.AddDisconnectionEventHandler(entry, group, AddDataHandler(left));
}

void UserListForm::OnGroupsChanged(ItemPtr)
{
    // A removed group is still in its type while this is told.
    if (groupRefillPending)
        return;
    groupRefillPending = true;
    QTimer::singleShot(0, this, &UserListForm::RefillGroups);
}

void UserListForm::OnMembershipChanged(ConnectionInfo&)
{
    OnGroupsChanged(ItemPtr());
}

void UserListForm::RefillGroups()
{
    groupRefillPending = false;
    const QString chosen = userList->GroupFilter();
    const QSignalBlocker blocker(groups);
    groups->clear();
    auto* all = new QListWidgetItem("All Users", groups);
    all->setData(GroupRole, QString());
    QListWidgetItem* selected = all;
    for (ItemPtr group : g("user_list_group").SortAlphabetic(true)) {
        auto* row = new QListWidgetItem(QString("%1 (%2)").arg(group.AsString()).arg(UserListState::MemberCount(group)),
                                        groups);
        row->setData(GroupRole, group.AsString());
        row->setToolTip(group.IsConnected("accept_uploads") ? "Files its users send unasked are accepted"
                                                            : "Files its users send unasked are refused");
        if (group.AsString() == chosen)
            selected = row;
    }
    groups->setCurrentItem(selected);
    // The chosen group may be gone: the list then shows everybody.
    if (selected->data(GroupRole).toString() != chosen)
        userList->SetGroupFilter(QString());
    configureGroupAction->setEnabled(selected != all);
}

void UserListForm::OnGroupChosen(QListWidgetItem* row)
{
    const QString group = row ? row->data(GroupRole).toString() : QString();
    userList->SetGroupFilter(group);
    configureGroupAction->setEnabled(!group.isEmpty());
}

ItemPtr UserListForm::SelectedGroup() const
{
    const QString name = userList->GroupFilter();
    return name.isEmpty() ? ItemPtr() : d.GetType("user_list_group")->HasItem(name);
}

AddUserDialog* UserListForm::OpenAddUserDialog()
{
    if (!addUserDialog) {
        addUserDialog = new AddUserDialog(this);
        addUserDialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    addUserDialog->show();
    addUserDialog->raise();
    addUserDialog->activateWindow();
    return addUserDialog;
}

void UserListForm::NewGroup()
{
    const QString name = QInputDialog::getText(this, "New Group", "Group name:");
    UserListState::GetGroup(name);
}

void UserListForm::ConfigureGroup()
{
    if (ItemPtr group = SelectedGroup())
        GroupConfigDialog(group, this).exec();
}

void UserListForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (eventToolBar)
        eventToolBar->RemoveEvents(this);
}
