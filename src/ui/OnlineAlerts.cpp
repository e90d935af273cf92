#include "ui/OnlineAlerts.h"

#include "store/Data.h"
#include "ui/EventToolBar.h"
#include "ui/UserIcons.h"

OnlineAlerts::OnlineAlerts(QWidget* alertWidget)
    : widget(alertWidget)
{
    auto* root = new PathNode(&d, "user");
    new PathNode(root, "user_online_alert", PathIfConnected);
    new PathNode(root, "is_online", PathOnConnect);
    d.AddPathEventHandler(root,
                          AddDataHandler(new EventHandler<OnlineAlerts, ItemPtr>(this, &OnlineAlerts::OnUserOnline)));
}

void OnlineAlerts::OnUserOnline(ItemPtr user)
{
    if (!eventToolBar)
        return;
    const QString name = user.AsString();
    eventToolBar->AddEvent(name, UserOnlineIcon(), widget, name + " is online", "user_online", true);
}
