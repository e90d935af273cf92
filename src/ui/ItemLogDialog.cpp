#include "ui/ItemLogDialog.h"

#include "store/Data.h"
#include "ui/AreaLogTabs.h"

#include <QVBoxLayout>

ItemLogDialog::ItemLogDialog(ItemPtr loggedItem, QWidget* parent)
    : QDialog(parent)
    , item(loggedItem)
    , areaTabs(new AreaLogTabs)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString("Log of %1").arg(item.AsString()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(areaTabs);
    resize(700, 400);

    // log_order counts up with every kept line, so it orders them as they
    // were logged, also within one second of log_time.
    for (ItemPtr itemLog : item.GetItems("item_log").SortNumericBy("log_order", true))
        AddLine(itemLog);

    Type* itemType = item.GetType();
    d.AddConnectionEventHandler(
        itemType, d.GetType("item_log"),
        AddDataHandler(new EventHandler<ItemLogDialog, ConnectionInfo&>(this, &ItemLogDialog::OnItemLogConnected)));
    itemType->itemRemoved.Add(
        AddDataHandler(new EventHandler<ItemLogDialog, ItemPtr>(this, &ItemLogDialog::OnItemRemoved)));
}

void ItemLogDialog::OnItemLogConnected(ConnectionInfo& info)
{
    if (info.from == item.Get())
        AddLine(ItemPtr(info.to));
}

void ItemLogDialog::OnItemRemoved(ItemPtr removed)
{
    if (removed != item)
        return;
    // The handle would dangle; the view has nothing left to show.
    RemoveDataHandlers();
    item = ItemPtr();
    close();
}

void ItemLogDialog::AddLine(ItemPtr itemLog)
{
    // log_text already carries the level's indentation.
    areaTabs->Append(itemLog["log_area"].AsString(),
                     "[" + itemLog["log_time"].AsString() + "] " + itemLog["log_text"].AsString());
}
