#ifndef UI_ITEMLOGDIALOG_H
#define UI_ITEMLOGDIALOG_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QDialog>

class AreaLogTabs;

// The diagnostics lines kept for one item (a transfer, a user), one tab per
// log area, oldest first. Lines logged while the view is open are added.
// The item's type must have been registered with RegisterLoggableItemType.
class ItemLogDialog : public QDialog, public DataHandler
{
    Q_OBJECT
public:
    explicit ItemLogDialog(ItemPtr item, QWidget* parent = nullptr);

    AreaLogTabs* AreaTabs() const { return areaTabs; }

private:
    void OnItemLogConnected(ConnectionInfo& info);
    void OnItemRemoved(ItemPtr removed);
    void AddLine(ItemPtr itemLog);

    ItemPtr item;
    AreaLogTabs* areaTabs;
};

#endif
