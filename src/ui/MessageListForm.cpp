#include "ui/MessageListForm.h"

#include "app/Settings.h"
#include "server/PrivateMessageSchema.h"
#include "server/Server.h"
#include "store/Data.h"
#include "store/DataSaver.h"
#include "ui/ChatText.h"
#include "ui/ObjectLinks.h"
#include "ui/UserMenu.h"

#include <QDateTime>
#include <QHeaderView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const char* const LinkType = "message_list_node";
// The user a row stands for.
constexpr int UserRole = Qt::UserRole;
} // namespace

void MessageListForm::DeclareTypes()
{
    ObjectLinks::DeclareLinkType(LinkType, {"user"});
}

MessageListForm::MessageListForm(QWidget* parent)
    : QWidget(parent)
    , tree(new QTreeWidget)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(tree);
    tree->setObjectName("message_list");
    tree->setHeaderLabels({"User / Time", "Message"});
    tree->header()->setStretchLastSection(true);
    tree->setColumnWidth(0, 200);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->setUniformRowHeights(true);
    connect(tree, &QTreeWidget::itemActivated, this, &MessageListForm::OnItemActivated);
    connect(tree, &QTreeWidget::customContextMenuRequested, this, &MessageListForm::OnContextMenu);

    if (dataSaver)
        dataSaver->AddDataLoadedEventHandler(this);
    if (gp_server) {
        connect(gp_server, &Server::PrivateChat, this, &MessageListForm::OnPrivateChat);
        connect(gp_server, &Server::PrivateChatSent, this, &MessageListForm::OnPrivateChatSent);
    }
}

MessageListForm::~MessageListForm()
{
    if (dataSaver)
        dataSaver->RemoveDataLoadedEventHandler(this);
    for (int n = 0; n < tree->topLevelItemCount(); ++n) {
        QTreeWidgetItem* row = tree->topLevelItem(n);
        ObjectLinks::Unlink(d.GetType("user")->HasItem(row->data(0, UserRole).toString()), LinkType, row);
    }
}

void MessageListForm::DataLoaded()
{
    const bool idle = pending.empty();
    for (ItemPtr message : g("private_message").SortNumericBy("private_message_time", true))
        pending.push_back(message);
    if (idle && !pending.empty())
        QTimer::singleShot(0, this, &MessageListForm::AddPendingSlice);
}

void MessageListForm::OnPrivateChat(const QString& user, const QString& message, time_t timeStamp, bool)
{
    Enqueue(RecordPrivateMessage(user, message, qint64(timeStamp), "from"));
}

void MessageListForm::OnPrivateChatSent(const QString& user, const QString& message)
{
    Enqueue(RecordPrivateMessage(user, message, QDateTime::currentSecsSinceEpoch(), "to"));
}

void MessageListForm::Enqueue(ItemPtr message)
{
    // Behind the stored messages still waiting, so that the order holds.
    if (pending.empty()) {
        AddRow(message);
        return;
    }
    pending.push_back(message);
}

void MessageListForm::AddPendingSlice()
{
    for (int n = 0; n < RowsPerSlice && !pending.empty(); ++n) {
        AddRow(pending.front());
        pending.pop_front();
    }
    if (!pending.empty())
        QTimer::singleShot(0, this, &MessageListForm::AddPendingSlice);
}

void MessageListForm::AddRow(ItemPtr message)
{
    ItemPtr user = message.GetItem("user");
    if (!user)
        return;
    QTreeWidgetItem* row = UserRow(user);
    const bool received = message["private_message_direction"].AsString() == "from";
    const QString sender = received ? user.AsString() : GetSetting("username");
    const QString text = message["private_message_text"].AsString();
    auto* line = new QTreeWidgetItem(row);
    line->setText(0, ChatText::LongTime(QDateTime::fromSecsSinceEpoch(message["private_message_time"].AsInt64())));
    line->setText(1, QString("[%1] %2").arg(sender, text));
    line->setToolTip(1, line->text(1));
    row->setText(1, line->text(1));
    // The latest conversation goes on top.
    const int index = tree->indexOfTopLevelItem(row);
    if (index > 0) {
        const bool expanded = row->isExpanded();
        tree->takeTopLevelItem(index);
        tree->insertTopLevelItem(0, row);
        row->setExpanded(expanded);
    }
}

QTreeWidgetItem* MessageListForm::UserRow(ItemPtr user)
{
    if (auto* row = ObjectLinks::LinkedAs<QTreeWidgetItem>(user, LinkType))
        return row;
    auto* row = new QTreeWidgetItem;
    row->setText(0, user.AsString());
    row->setData(0, UserRole, user.AsString());
    QFont font = row->font(0);
    font.setBold(true);
    row->setFont(0, font);
    tree->insertTopLevelItem(0, row);
    ObjectLinks::Link(user, LinkType, row);
    return row;
}

void MessageListForm::OnItemActivated(QTreeWidgetItem* row)
{
    QTreeWidgetItem* userRow = row->parent() ? row->parent() : row;
    emit ChatRequested(userRow->data(0, UserRole).toString());
}

void MessageListForm::OnContextMenu(const QPoint& position)
{
    QTreeWidgetItem* row = tree->itemAt(position);
    if (!row)
        return;
    QTreeWidgetItem* userRow = row->parent() ? row->parent() : row;
    UserMenu menu(userRow->data(0, UserRole).toString(), this);
    connect(&menu, &UserMenu::ChatRequested, this, &MessageListForm::ChatRequested);
    menu.exec(tree->viewport()->mapToGlobal(position));
}
