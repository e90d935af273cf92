#ifndef TRANSFERS_TRANSFERUSERS_H
#define TRANSFERS_TRANSFERUSERS_H

#include "store/ItemPtr.h"

#include <QDateTime>
#include <QString>

// What the transfers read about users and write as dates.

// The "user" item of the name, made when missing.
ItemPtr UserItem(const QString& user);
bool IsUserOnline(ItemPtr user);
// 0 for a user not on the user list; else the highest "group_download_priority" of the user's groups, never below 0.
int GetUserGroupDownloadPriority(const QString& user);
// Whether the user may send this client files it did not ask for: every user of the user list when
// "accept_userlist_uploads" is "yes", otherwise the users in a group marked "accept_uploads".
bool CanAcceptUserInitiatedUploadsFrom(const QString& user);

// The next number of the "transfer_order_counter" setting, which downloads and uploads share, as the counter
// moves on.
QString TakeTransferOrder();

// Dates are kept as local time in Qt's text form.
QString DateText(const QDateTime& time);
QString NowText();
// The date an item of that type on the item holds; invalid when there is none.
QDateTime ReadDate(ItemPtr item, const char* type);
// Connects the item to the date (replacing the one before).
void WriteDate(ItemPtr item, const char* type, const QDateTime& time);

#endif
