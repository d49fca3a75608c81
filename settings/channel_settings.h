// One channel's user settings: the 16-byte record kept per channel.
#pragma once
#include <atomic>
#include <cstdint>

#include "base/lock.h"

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
// nothing else. The id changes together with the settings store's records,
// under the store's lock: only the store reaches it, and only holding the
// lock it passes in.
class CurrentChannelSettings {
    uint32_t idLow_ = 0;
    uint32_t idHigh_ = 0;

public:
    std::atomic<int32_t> ProcEnable{0};
    std::atomic<int32_t> OverZoom{0};

private:
    friend class SettingsStore;
    ChannelSettings Get([[maybe_unused]] const Lock& held) const ZEK_REQUIRES(held) {
        return ChannelSettings{idLow_, idHigh_, ProcEnable.load(std::memory_order_relaxed),
                               OverZoom.load(std::memory_order_relaxed)};
    }
    void Set(const ChannelSettings& r, [[maybe_unused]] const Lock& held) ZEK_REQUIRES(held) {
        idLow_ = r.idLow;
        idHigh_ = r.idHigh;
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
