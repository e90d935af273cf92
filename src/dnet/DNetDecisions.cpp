#include "dnet/DNetDecisions.h"

#include <algorithm>

ChildCapacity ComputeChildCapacity(int64_t uploadSpeed, int minSpeed, int ratio)
{
    ChildCapacity capacity;
    if (uploadSpeed < int64_t(minSpeed) * 1024) {
        capacity.belowMinimum = true;
        return capacity;
    }
    if (ratio <= 0) {
        capacity.badRatio = true;
        return capacity;
    }
    capacity.children = (uploadSpeed * 10 / 1024) / ratio;
    return capacity;
}

std::optional<int64_t> ParseUploadSpeed(const QString& text)
{
    bool ok = false;
    const qlonglong speed = text.toLongLong(&ok);
    // Far beyond any link, and small enough that the capacity cannot overflow.
    constexpr qlonglong MaxSpeed = qlonglong(1) << 48;
    if (!ok || speed < 0 || speed > MaxSpeed)
        return std::nullopt;
    return int64_t(speed);
}

uint64_t ComputeChildDepth(const std::vector<uint32_t>& childDepths)
{
    uint64_t depth = 0;
    for (uint32_t childDepth : childDepths)
        depth = std::max(depth, uint64_t(childDepth) + 1);
    return depth;
}
