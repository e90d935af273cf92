#ifndef UI_USERLISTFORM_H
#define UI_USERLISTFORM_H

#include "store/Events.h"
#include "store/ItemPtr.h"
#include "ui/OnlineAlerts.h"
#include "ui/UserListTracker.h"

#include <QPointer>
#include <QWidget>

class AddUserDialog;
class QAction;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QToolBar;
class UserListView;

// The "User List" tab: the own list of users beside its groups (choosing a
// group shows its members), then the ignored users, the users the shares are
// withheld from and the users with an online alert. Adds users, makes and
// configures groups, and tells of alerted users coming online.
class UserListForm : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    // The online alert (saved, and so are the users that carry it) and the
    // links of the lists' rows. The configuration store must exist.
    static void DeclareTypes();

    explicit UserListForm(QWidget* parent = nullptr);
    ~UserListForm() override;

    QTabWidget* Tabs() const { return tabs; }
    QListWidget* Groups() const { return groups; }
    UserListView* UserList() const { return userList; }
    UserListView* IgnoredList() const { return ignoredList; }
    UserListView* UnsharedList() const { return unsharedList; }
    UserListView* AlertList() const { return alertList; }
    // The group chosen beside the list, or null for all users.
    ItemPtr SelectedGroup() const;

signals:
    void ChatRequested(QString user);

public slots:
    AddUserDialog* OpenAddUserDialog();
    void NewGroup();
    void ConfigureGroup();

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void RefillGroups();
    void OnGroupChosen(QListWidgetItem* row);

private:
    QToolBar* BuildToolBar();
    UserListView* AddList(const char* mark, const char* link, const QString& title, const QString& emptyText);
    void WatchGroups();
    void OnGroupsChanged(ItemPtr);
    void OnMembershipChanged(ConnectionInfo&);

    QTabWidget* tabs;
    QListWidget* groups;
    UserListView* userList = nullptr;
    UserListView* ignoredList = nullptr;
    UserListView* unsharedList = nullptr;
    UserListView* alertList = nullptr;
    QAction* configureGroupAction = nullptr;
    QPointer<AddUserDialog> addUserDialog;
    UserListTracker tracker;
    OnlineAlerts alerts;
    bool groupRefillPending = false;
};

#endif
