#ifndef UI_USERLISTTRACKER_H
#define UI_USERLISTTRACKER_H

#include "store/Events.h"
#include "store/ItemPtr.h"

// Keeps what the user list shows known: the server is asked to report the
// presence of every user on the list or with an online alert as soon as the
// user is put there or loaded from the configuration file (and again after
// every login, as for every tracked user), and for the statistics of a
// listed user who comes online.
class UserListTracker : public DataHandler
{
public:
    UserListTracker();

private:
    void OnFollowed(ConnectionInfo& info);
    void OnListedUserOnline(ItemPtr user);
};

#endif
