// Two 16-bit words in one 32-bit message parameter, the first in the low
// word: how the up-down control takes its range and position, a scroll
// message its position and the tooltip its tracking point. Each value is
// cut to its low 16 bits, so a negative coordinate packs without a shift of
// a negative number; the readers give the words back signed. Portable.
#pragma once
#include <cstdint>

namespace zek {

constexpr uint32_t WordPair(int32_t low, int32_t high) {
    return static_cast<uint32_t>(static_cast<uint16_t>(low)) |
           (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16);
}

constexpr int32_t LowSigned(uint32_t pair) { return static_cast<int16_t>(static_cast<uint16_t>(pair)); }
constexpr int32_t HighSigned(uint32_t pair) { return static_cast<int16_t>(static_cast<uint16_t>(pair >> 16)); }

}  // namespace zek
