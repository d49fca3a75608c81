#include "res/string_table.h"

namespace zek {
namespace {

// Resource data is little-endian and need not be aligned for char16_t here
// (test blocks, odd offsets), so units are assembled byte by byte.
uint16_t ReadUnit(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

StringEntry ReadStringTableEntry(const uint8_t* block, size_t size, int index) {
    StringEntry entry;
    if (!block || index < 0 || index >= kStringsPerBlock) return entry;
    size_t offset = 0;
    for (int i = 0;; ++i) {
        if (size - offset < 2) return entry;  // the count itself is cut off
        const size_t count = ReadUnit(block + offset);
        offset += 2;
        // Compare against what is left rather than adding to the offset, so
        // a huge count cannot wrap around.
        if (count > (size - offset) / 2) return entry;
        if (i == index) {
            entry.text.resize(count);
            for (size_t k = 0; k < count; ++k) entry.text[k] = static_cast<char16_t>(ReadUnit(block + offset + 2 * k));
            entry.readable = true;
            return entry;
        }
        offset += 2 * count;
    }
}

}  // namespace zek
