#ifndef UI_SEARCHICONS_H
#define UI_SEARCHICONS_H

#include <QIcon>

// The pictures of the search tabs, by the scope a search ran in, drawn here so
// that they look the same on every desktop theme (rooms use the room icon of
// the chat windows).
QIcon SearchIcon();
QIcon UserListIcon();
QIcon WishListIcon();

#endif
