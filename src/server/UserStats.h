#ifndef SERVER_USERSTATS_H
#define SERVER_USERSTATS_H

#include "wire/Persistent.h"

#include <QMetaType>

#include <cstdint>

// A user's statistics as the server keeps them.
struct UserStats : public Persistent
{
    uint32_t averageSpeed = 0;  // stored as average_download_speed
    uint64_t transferCount = 0; // not stored
    uint32_t fileCount = 0;     // stored as shared_file_count
    uint32_t folderCount = 0;   // not stored

    bool Read(InputStream& in) override;
    bool Write(OutputStream& out) const override;
};

Q_DECLARE_METATYPE(UserStats)

#endif
