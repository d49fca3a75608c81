// The text of the range balloon: a format with two "%d" fields, filled with
// the lower and then the upper bound. Portable, no platform calls.
#pragma once
#include <cstdint>
#include <string>

namespace zek {

// Only the first two "%d" take a value and "%%" gives "%"; anything else,
// including further "%d" and other conversions, is copied as it stands, so a
// translated format can never read values that are not there.
std::string FillRangeMessage(const std::string& format, int32_t lower, int32_t upper);

}  // namespace zek
