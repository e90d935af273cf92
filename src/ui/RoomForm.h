#ifndef UI_ROOMFORM_H
#define UI_ROOMFORM_H

#include "store/ItemPtr.h"
#include "ui/ChatPanel.h"

#include <QHash>

class QTreeWidget;
class QTreeWidgetItem;

// The chat of one joined room beside the list of the users in it. Tied to the
// room by its "room_form"; destroying it leaves the room.
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

protected:
    bool Send(const QString& text) override;

private slots:
    void OnDisconnected();
    void OnConnected();
    void OnMemberActivated(QTreeWidgetItem* row);
    void OnMembersContextMenu(const QPoint& position);
    void RefreshMemberDetails();

private:
    void WatchMembers();
    void OnMemberJoined(ItemPtr user);
    void OnMemberLeft(ItemPtr user);
    void UpdateMemberCount();

    ItemPtr room;
    QTreeWidget* members;
    QHash<QString, QTreeWidgetItem*> memberRows;
    bool detailsRefreshPending = false;
    bool sessionLost = false;
};

#endif
