#pragma once
// A channel record as the host hands it: ChannelInfo's name runs past the
// structure's end, so the record is as long as the name needs and no longer
// (a read past the name's end is then a read past the record).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/plugin_abi.h"

namespace zek {

inline std::vector<uint8_t> ChannelRecord(uint32_t low, uint32_t high, const std::string& name) {
    std::vector<uint8_t> record(offsetof(ChannelInfo, name) + name.size() + 1, 0);
    auto* info = reinterpret_cast<ChannelInfo*>(record.data());
    info->idLow = low;
    info->idHigh = high;
    std::memcpy(info->name, name.c_str(), name.size() + 1);
    return record;
}

inline const ChannelInfo& AsChannel(const std::vector<uint8_t>& record) {
    return *reinterpret_cast<const ChannelInfo*>(record.data());
}

}  // namespace zek
