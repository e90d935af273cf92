#ifndef PEER_USERINFO_H
#define PEER_USERINFO_H

#include "wire/MemStream.h"

// What the user-information reply tells about this client's uploads. Until
// the transfer queue reports its own, nothing is queued and a slot is free.
struct UploadAvailability
{
    int queuedUploads = 0;
    bool freeToUpload = true;
};

// The largest picture sent with the user information; a bigger file is left
// out, since the whole reply has to fit in one frame.
constexpr qint64 MaxUserPictureBytes = 8 * 1024 * 1024;

// The user-information reply (code 16) from the settings: "user_description",
// the picture from the file "user_picture_file" names (when it reads
// completely), "upload_slots", and the queue's availability.
MemStream BuildOwnUserInfo(const UploadAvailability& availability);

#endif
