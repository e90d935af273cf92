#ifndef UI_CHATICONS_H
#define UI_CHATICONS_H

#include <QIcon>

// The small pictures of the chat windows, drawn here so that they look the
// same on every desktop theme.
QIcon ChatIcon();
QIcon RoomIcon();

// The application icon for the connection state: the plain icon when online,
// a yellow mark when away, greyed out when offline.
enum class PresenceIcon
{
    Online,
    Away,
    Offline,
};
QIcon ApplicationIcon(PresenceIcon presence);

#endif
