#ifndef UI_USERICONS_H
#define UI_USERICONS_H

#include "store/ItemPtr.h"

#include <QIcon>

// The pictures of the user lists, drawn here so that they look the same on
// every desktop theme: a user's presence and the mark of a note.
QIcon UserOnlineIcon();
QIcon UserAwayIcon();
QIcon UserOfflineIcon();
QIcon UserNoteIcon();

// The presence icon for what the server last said of the user.
QIcon UserStatusIcon(ItemPtr user);
// "Online", "Away" or "Offline".
QString UserStatusText(ItemPtr user);

#endif
