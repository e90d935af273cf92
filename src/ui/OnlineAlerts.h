#ifndef UI_ONLINEALERTS_H
#define UI_ONLINEALERTS_H

#include "store/Events.h"
#include "store/ItemPtr.h"

class QWidget;

// Tells the user when a user with an online alert comes online: an event for
// the widget that shows the user list.
class OnlineAlerts : public DataHandler
{
public:
    explicit OnlineAlerts(QWidget* widget);

private:
    void OnUserOnline(ItemPtr user);

    QWidget* widget;
};

#endif
