#ifndef WIRE_WIRELIMITS_H
#define WIRE_WIRELIMITS_H

#include <cstdint>

// Largest byte count of a string and largest element count of a list that a
// reader accepts; anything above makes the read fail before allocating.
constexpr uint32_t MaxWireStringLength = 0x20000;
constexpr uint32_t MaxWireListCount = 0x20000;

#endif
