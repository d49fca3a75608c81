// Hand-made string-table blocks for the tests, laid out as the resource
// compiler lays them out: 16 counted UTF-16 entries, little-endian.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zek {
namespace test {

inline void AppendUnit(std::vector<uint8_t>& out, uint16_t unit) {
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    out.push_back(static_cast<uint8_t>(unit >> 8));
}

// Entries by index; the indexes not given are empty.
inline std::vector<uint8_t> MakeBlock(const std::map<int, std::u16string>& entries) {
    std::vector<uint8_t> out;
    for (int i = 0; i < 16; ++i) {
        const auto it = entries.find(i);
        const std::u16string text = it == entries.end() ? std::u16string() : it->second;
        AppendUnit(out, static_cast<uint16_t>(text.size()));
        for (char16_t c : text) AppendUnit(out, static_cast<uint16_t>(c));
    }
    return out;
}

}  // namespace test
}  // namespace zek
