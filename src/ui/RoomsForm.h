#ifndef UI_ROOMSFORM_H
#define UI_ROOMSFORM_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QWidget>

class QAction;
class QTabWidget;
class QToolBar;
class RoomForm;
class RoomListView;

// The "Rooms" tab: the room list, one chat tab per joined room (with the
// actions on that room), and the actions on rooms in general. A room's tab
// opens when the server confirms the entry and closing it leaves the room.
class RoomsForm : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    // Declares the link types of the rooms window and its room views.
    static void DeclareTypes();

    explicit RoomsForm(QWidget* parent = nullptr);
    ~RoomsForm() override;

    QTabWidget* Tabs() const { return tabs; }
    RoomListView* List() const { return list; }
    QToolBar* ToolBar() const { return toolBar; }
    // The room of the current tab, or null on the list.
    RoomForm* CurrentRoom() const;

signals:
    void ChatRequested(QString user);

public slots:
    void CreateRoom();
    void RefreshRoomList();
    void TogglePrivateRoomInvitations();

private slots:
    void OnConnected();
    void OnPrivateRoomAddEnabled(bool enabled);
    void OnTabCloseRequested(int index);
    void UpdateInvitationsAction();

private:
    void BuildToolBar();
    void WatchRooms();
    void OnRoomEntered(ItemPtr room);
    void OnRoomLeft(ItemPtr room);

    QToolBar* toolBar;
    QTabWidget* tabs;
    RoomListView* list;
    QAction* createAction = nullptr;
    QAction* refreshAction = nullptr;
    QAction* invitationsAction = nullptr;
};

#endif
