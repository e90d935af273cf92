#ifndef UI_ROOMLISTVIEW_H
#define UI_ROOMLISTVIEW_H

#include "store/Events.h"
#include "store/ItemPtr.h"
#include "store/PathNode.h"

#include <QTreeWidget>

#include <set>

// The rooms the server lists, with their user counts and the own user's role
// in private rooms; the rooms of the own user first, then the busiest. Each
// row is tied to its room by a "room_node". Entering a room is a double
// click, or "enter" in the row's menu.
class RoomListView : public QTreeWidget, public DataHandler
{
    Q_OBJECT
public:
    // Rows made per turn of the event loop when a long list arrives.
    static constexpr int RowsPerSlice = 500;

    enum Column
    {
        NameColumn,
        UsersColumn,
        AccessColumn,
    };

    static void DeclareTypes();

    explicit RoomListView(QWidget* parent = nullptr);
    ~RoomListView() override;

    // The row of a room, or null.
    QTreeWidgetItem* Row(ItemPtr room) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void OnItemActivated(QTreeWidgetItem* row);
    void OnContextMenu(const QPoint& position);
    void UpdatePendingSlice();

private:
    void Watch(const char* typeName, PathNodeRelation relation);
    void OnRoomChanged(ItemPtr room);
    void UpdateRow(ItemPtr room);

    std::set<ItemPtr> pending;
};

#endif
