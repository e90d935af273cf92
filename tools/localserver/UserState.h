#ifndef LOCALSERVER_USERSTATE_H
#define LOCALSERVER_USERSTATE_H

#include "wire/OutputStream.h"

#include <QSet>
#include <QString>

namespace localserver {

enum UserStatus : qint32
{
    Offline = 0,
    Away = 1,
    Online = 2
};

// A user's statistics as the clients expect them: average speed (uint32),
// upload count (uint64), shared file count (uint32), shared folder count
// (uint32).
struct UserStatsRecord : StreamWritable
{
    quint32 averageSpeed = 0;
    quint64 uploadCount = 0;
    quint32 fileCount = 0;
    quint32 folderCount = 0;

    bool Write(OutputStream& out) const override
    {
        return out.Write(uint32_t(averageSpeed)) && out.Write(uint64_t(uploadCount)) && out.Write(uint32_t(fileCount))
            && out.Write(uint32_t(folderCount));
    }
};

// The listening ports a client announced (code 2).
struct PeerPorts
{
    quint32 port = 0;
    quint32 obfuscationType = 0;
    quint32 obfuscatedPort = 0;
};

// What a client reported of its place in the distributed search tree.
struct TreePosition
{
    bool hasParent = false;
    bool canParent = false;
    quint32 level = 0;
    QString groupLeader;
    bool childrenHaveChildren = false;
};

// Everything the server knows of one logged-in user's session.
struct UserState
{
    qint32 status = Online;
    PeerPorts ports;
    UserStatsRecord stats;
    TreePosition tree;
    QSet<QString> watched; // users whose presence this user follows
    QSet<QString> rooms;   // rooms this user is in
    bool acceptsPrivateRoomAdd = true;
};

} // namespace localserver

#endif
