#ifndef SHARES_SHAREVISIBILITY_H
#define SHARES_SHAREVISIBILITY_H

#include "store/ItemPtr.h"
#include "store/ItemSet.h"

#include <QString>

// Who may see which shared folder: nobody when the user is marked "unshared";
// everybody the folders marked "shared_public"; users of the user list also
// those marked "shared_userlist" and those shared with one of their groups.

// The "shared_folder" items the user may see.
ItemSet GetUserSharedFolders(const QString& user);
// Whether one of the shared folders above the file's folder is visible to the user.
bool IsFileSharedWithUser(ItemPtr file, const QString& user);

#endif
