#ifndef DNET_DNETDECISIONS_H
#define DNET_DNETDECISIONS_H

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// How many children this client can carry: its upload speed (bytes/s) times
// ten, in KiB, divided by the server's speed-to-children ratio, when the
// speed reaches the server's minimum (KiB/s); none below the minimum, and
// none when the ratio is not a positive number (the server's word is not
// trusted to be one).
struct ChildCapacity
{
    bool belowMinimum = false;
    bool badRatio = false;
    int64_t children = 0;
};
ChildCapacity ComputeChildCapacity(int64_t uploadSpeed, int minSpeed, int ratio);

// The own upload speed held in a setting: none when the text is not a
// number of bytes per second.
std::optional<int64_t> ParseUploadSpeed(const QString& text);

// The depth of the tree below this client: one more than the deepest child
// reports, 0 without reports.
uint64_t ComputeChildDepth(const std::vector<uint32_t>& childDepths);

#endif
