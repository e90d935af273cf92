#include "ui/UserListTracker.h"

#include "server/Server.h"
#include "store/Data.h"

UserListTracker::UserListTracker()
{
    Type* user = d.GetType("user");
    for (const char* mark : {"in_user_list", "user_online_alert"})
        d.AddConnectionEventHandler(
            user, d.GetType(mark),
            AddDataHandler(new EventHandler<UserListTracker, ConnectionInfo&>(this, &UserListTracker::OnFollowed)));
    auto* root = new PathNode(&d, "user");
    new PathNode(root, "in_user_list", PathIfConnected);
    new PathNode(root, "is_online", PathOnConnect);
    d.AddPathEventHandler(
        root, AddDataHandler(new EventHandler<UserListTracker, ItemPtr>(this, &UserListTracker::OnListedUserOnline)));
}

void UserListTracker::OnFollowed(ConnectionInfo& info)
{
    if (!gp_server)
        return;
    ItemPtr user(info.from);
    gp_server->TrackUser(user.AsString());
    // Put on the list while online: no change of presence will bring the statistics.
    if (user.IsConnected("in_user_list") && user.IsConnected("is_online"))
        gp_server->GetUserStats(user.AsString());
}

void UserListTracker::OnListedUserOnline(ItemPtr user)
{
    if (gp_server)
        gp_server->GetUserStats(user.AsString());
}
