// One channel's user settings: the 16-byte record kept per channel.
#pragma once
#include <cstdint>

namespace zek {

struct ChannelSettings {
    uint32_t idLow = 0;
    uint32_t idHigh = 0;
    int32_t ProcEnable = 0;  // 0 = off; the dialog writes 0 or 1
    int32_t OverZoom = 0;    // extra zoom in percent
};
static_assert(sizeof(ChannelSettings) == 16, "ChannelSettings is a 16-byte record");

inline bool SameChannel(const ChannelSettings& r, uint32_t low, uint32_t high) {
    return r.idLow == low && r.idHigh == high;
}

}  // namespace zek
