#include "ui/OnlineAlerts.h"

#include "server/Server.h"
#include "store/Data.h"
#include "ui/EventToolBar.h"
#include "ui/UserIcons.h"

OnlineAlerts::OnlineAlerts(QWidget* alertWidget)
    : widget(alertWidget)
{
    Type* user = d.GetType("user");
    for (const char* mark : {"in_user_list", "user_online_alert"})
        d.AddConnectionEventHandler(
            user, d.GetType(mark),
            AddDataHandler(new EventHandler<OnlineAlerts, ConnectionInfo&>(this, &OnlineAlerts::OnFollowed)));
    auto* root = new PathNode(&d, "user");
    new PathNode(root, "user_online_alert", PathIfConnected);
    new PathNode(root, "is_online", PathOnConnect);
    d.AddPathEventHandler(root,
                          AddDataHandler(new EventHandler<OnlineAlerts, ItemPtr>(this, &OnlineAlerts::OnUserOnline)));
}

void OnlineAlerts::OnFollowed(ConnectionInfo& info)
{
    // Tracked users are asked for again after every login.
    if (gp_server)
        gp_server->TrackUser(ItemPtr(info.from).AsString());
}

void OnlineAlerts::OnUserOnline(ItemPtr user)
{
    if (!eventToolBar)
        return;
    const QString name = user.AsString();
    eventToolBar->AddEvent(name, UserOnlineIcon(), widget, name + " is online", "user_online", true);
}
