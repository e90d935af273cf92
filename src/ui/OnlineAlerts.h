#ifndef UI_ONLINEALERTS_H
#define UI_ONLINEALERTS_H

#include "store/Events.h"
#include "store/ItemPtr.h"

class QWidget;

// Has the server report the presence of every user on the user list or with
// an online alert, as soon as the user is put there or loaded from the
// configuration file, and tells the user when one with an alert comes online
// (an event for the widget that shows the user list).
class OnlineAlerts : public DataHandler
{
public:
    explicit OnlineAlerts(QWidget* widget);

private:
    void OnFollowed(ConnectionInfo& info);
    void OnUserOnline(ItemPtr user);

    QWidget* widget;
};

#endif
