#ifndef UI_ROOMFORM_H
#define UI_ROOMFORM_H

#include "store/ItemPtr.h"
#include "ui/ChatPanel.h"

#include <QHash>

class QAction;
class QTreeWidget;
class QTreeWidgetItem;

// The chat of one joined room beside the list of the users in it, with the
// actions on the room: auto-join, its wall, its log, and giving up a private
// room or the membership of one. Tied to the room by its "room_form";
// destroying it leaves the room.
class RoomForm : public ChatPanel
{
    Q_OBJECT
public:
    static void DeclareTypes();
    // The open chat of the room, or null.
    static RoomForm* Find(ItemPtr room);

    explicit RoomForm(ItemPtr room, QWidget* parent = nullptr);
    ~RoomForm() override;

    ItemPtr Room() const { return room; }
    QTreeWidget* Members() const { return members; }

signals:
    void ChatRequested(QString user);

public slots:
    void OnRoomChat(const QString& room, const QString& user, const QString& text);
    void ToggleAutojoin();
    void OpenWall();
    void OpenChatLog();
    void GiveUpMembership();
    void GiveUpRoom();

protected:
    bool Send(const QString& text) override;

private slots:
    void OnDisconnected();
    void OnConnected();
    void OnMemberActivated(QTreeWidgetItem* row);
    void OnMembersContextMenu(const QPoint& position);
    void RefreshMemberDetails();
    void UpdateActions();

private:
    void BuildToolBar();
    void WatchMembers();
    void WatchRoomFlags();
    void OnRoomFlagChanged(ItemPtr room);
    void OnMemberJoined(ItemPtr user);
    void OnMemberLeft(ItemPtr user);
    void UpdateMemberCount();

    ItemPtr room;
    QTreeWidget* members;
    QAction* autojoinAction = nullptr;
    QAction* giveUpMembershipAction = nullptr;
    QAction* giveUpRoomAction = nullptr;
    QHash<QString, QTreeWidgetItem*> memberRows;
    bool detailsRefreshPending = false;
    bool sessionLost = false;
};

#endif
