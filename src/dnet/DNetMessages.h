#ifndef DNET_DNETMESSAGES_H
#define DNET_DNETMESSAGES_H

#include "wire/MemStream.h"
#include "wire/WireLimits.h"

#include <QString>

#include <cstdint>

// The messages of a distributed connection. Each is a frame (uint32 length,
// then the body) whose body starts with a uint8 code.
enum DNetMessageCode : uint8_t
{
    DNetSearchCode = 3,     // parent to child: uint32 kind; for kind 49: string user, uint32 token, string query
    DNetLevelCode = 4,      // parent to child: uint32 the sender's level
    DNetLeaderCode = 5,     // parent to child: string the branch's group leader
    DNetChildDepthCode = 7, // child to parent: uint32 the depth of the tree below the child
};

// The kind of search that carries a user's file search; other kinds are
// passed on without being read.
constexpr uint32_t DNetFileSearchKind = 49;

// A level that nobody knows.
constexpr uint32_t DNetUnknownLevel = 0xFFFFFFFF;

// The longest body a distributed connection carries: a file search with the
// longest user name and query that the streams read. A longer frame cannot be
// a message of this protocol and closes the connection.
constexpr uint32_t MaxDNetFrameLength = 1 + 4 + (4 + MaxWireStringLength) + 4 + (4 + MaxWireStringLength);

// A file search as it travels down the tree.
struct DNetSearch
{
    QString user;
    uint32_t token = 0;
    QString query;
};

// Reads the fields of a file search (behind its code and kind); false when
// the message ends before them.
bool ReadDNetSearch(MemStream& body, DNetSearch& search);

MemStream BuildDNetSearch(const QString& user, uint32_t token, const QString& query);
MemStream BuildDNetLevel(uint32_t level);
MemStream BuildDNetLeader(const QString& leader);
MemStream BuildDNetChildDepth(uint32_t depth);

// The level of a client whose parent announced `parentLevel`.
uint32_t LevelBelow(uint32_t parentLevel);

#endif
