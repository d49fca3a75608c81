// One channel's user settings: the 16-byte record kept per channel.
#pragma once
#include <atomic>
#include <cstdint>

namespace zek {

struct ChannelSettings {
    uint32_t idLow = 0;
    uint32_t idHigh = 0;
    int32_t ProcEnable = 0;  // 0 = off; the dialog writes 0 or 1
    int32_t OverZoom = 0;    // extra zoom in percent
};
static_assert(sizeof(ChannelSettings) == 16, "ChannelSettings is a 16-byte record");

// The selected channel's working record, laid out as ChannelSettings. The
// dialog writes the two values on its thread while frames read them on the
// host's, so they are atomic; relaxed, as each stands alone and publishes
// nothing else. The id changes only under the settings store's lock.
struct CurrentChannelSettings {
    uint32_t idLow = 0;
    uint32_t idHigh = 0;
    std::atomic<int32_t> ProcEnable{0};
    std::atomic<int32_t> OverZoom{0};

    ChannelSettings Get() const {
        return ChannelSettings{idLow, idHigh, ProcEnable.load(std::memory_order_relaxed),
                               OverZoom.load(std::memory_order_relaxed)};
    }
    void Set(const ChannelSettings& r) {
        idLow = r.idLow;
        idHigh = r.idHigh;
        ProcEnable.store(r.ProcEnable, std::memory_order_relaxed);
        OverZoom.store(r.OverZoom, std::memory_order_relaxed);
    }
};
static_assert(sizeof(CurrentChannelSettings) == sizeof(ChannelSettings), "the same 16-byte record");
static_assert(std::atomic<int32_t>::is_always_lock_free, "a plain aligned 32-bit load and store");

inline bool SameChannel(const ChannelSettings& r, uint32_t low, uint32_t high) {
    return r.idLow == low && r.idHigh == high;
}

}  // namespace zek
