#include "dnet/DNetMessages.h"

#include "wire/FrameWriter.h"

bool ReadDNetSearch(MemStream& body, DNetSearch& search)
{
    return body.Read(search.user) && body.Read(search.token) && body.Read(search.query);
}

MemStream BuildDNetSearch(const QString& user, uint32_t token, const QString& query)
{
    return BuildMessage(uint8_t(DNetSearchCode), DNetFileSearchKind, user, token, query);
}

MemStream BuildDNetLevel(uint32_t level)
{
    return BuildMessage(uint8_t(DNetLevelCode), level);
}

MemStream BuildDNetLeader(const QString& leader)
{
    return BuildMessage(uint8_t(DNetLeaderCode), leader);
}

MemStream BuildDNetChildDepth(uint32_t depth)
{
    return BuildMessage(uint8_t(DNetChildDepthCode), depth);
}

uint32_t LevelBelow(uint32_t parentLevel)
{
    return parentLevel == DNetUnknownLevel ? DNetUnknownLevel : parentLevel + 1;
}
