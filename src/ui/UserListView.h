#ifndef UI_USERLISTVIEW_H
#define UI_USERLISTVIEW_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QSet>
#include <QTreeWidget>

// The users that carry one mark (the user list's "in_user_list", or
// "is_ignored", "unshared", "user_online_alert"), each on a row tied to the
// user by a link item: the presence icon, average speed, shared files, the
// user's groups and note. Rows follow the graph in slices; a row's menu is the
// user menu and a double click opens the private chat.
class UserListView : public QTreeWidget, public DataHandler
{
    Q_OBJECT
public:
    // Rows made or refreshed per turn of the event loop.
    static constexpr int RowsPerSlice = 500;

    enum Column
    {
        NameColumn,
        SpeedColumn,
        FilesColumn,
        GroupsColumn,
        NoteColumn,
    };

    // The link type must be declared; the empty text is shown while no user
    // has the mark.
    UserListView(const char* markType, const char* linkType, const QString& emptyText, QWidget* parent = nullptr);
    ~UserListView() override;

    QTreeWidgetItem* Row(const QString& user) const;
    // Only the members of the named group are shown; empty shows everybody.
    void SetGroupFilter(const QString& group);
    const QString& GroupFilter() const { return groupFilter; }

signals:
    void ChatRequested(QString user);

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void OnItemActivated(QTreeWidgetItem* row);
    void OnContextMenu(const QPoint& position);
    void UpdatePendingSlice();

private:
    using ConnectionMethod = void (UserListView::*)(ConnectionInfo&);
    // Connections and disconnections of the two types go to the method.
    void Watch(const char* typeName, const char* otherTypeName, ConnectionMethod method);
    void OnUserConnection(ConnectionInfo& info);
    void OnGroupConnection(ConnectionInfo& info);
    void Touch(ItemPtr user);
    bool Shows(ItemPtr user) const;
    void UpdateRow(const QString& name);
    void FillRow(QTreeWidgetItem* row, ItemPtr user);

    const char* markType;
    const char* linkType;
    QString emptyText;
    QString groupFilter;
    QSet<QString> pending;
};

#endif
