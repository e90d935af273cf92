#ifndef UI_MESSAGELISTFORM_H
#define UI_MESSAGELISTFORM_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QWidget>

#include <ctime>
#include <deque>

class QTreeWidget;
class QTreeWidgetItem;

// Every private message, received or sent, kept across runs: one row per
// user (the most recent conversation on top) with the user's messages under
// it. Records each message as a "private_message" item; the row of a user is
// tied to the user by its "message_list_node".
class MessageListForm : public QWidget, public DataHandler, public DataLoadedEventHandler
{
    Q_OBJECT
public:
    // Rows added per turn of the event loop when the stored messages are shown.
    static constexpr int RowsPerSlice = 200;

    static void DeclareTypes();

    explicit MessageListForm(QWidget* parent = nullptr);
    ~MessageListForm() override;

    void DataLoaded() override;
    QTreeWidget* Tree() const { return tree; }
    // True while stored messages are still being added.
    bool IsFilling() const { return !pending.empty(); }

signals:
    void ChatRequested(QString user);

private slots:
    void OnPrivateChat(const QString& user, const QString& message, time_t timeStamp, bool flag);
    void OnPrivateChatSent(const QString& user, const QString& message);
    void OnItemActivated(QTreeWidgetItem* row);
    void OnContextMenu(const QPoint& position);
    void AddPendingSlice();

private:
    void Enqueue(ItemPtr message);
    void AddRow(ItemPtr message);
    QTreeWidgetItem* UserRow(ItemPtr user);

    QTreeWidget* tree;
    // Messages waiting for their rows, oldest first.
    std::deque<ItemPtr> pending;
};

#endif
