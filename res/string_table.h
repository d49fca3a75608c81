// Reading one entry out of a string-table block, the resource format in
// which the module keeps its texts: sixteen entries in a row, each a 16-bit
// little-endian count followed by that many UTF-16 code units.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zek {

constexpr int kStringsPerBlock = 16;
// String ids are 16-bit resource ids.
constexpr int kMaxStringId = 0xFFFF;

// The block that holds string `id`, and the entry's place in it.
constexpr int StringBlockId(int id) { return id / kStringsPerBlock + 1; }
constexpr int StringBlockIndex(int id) { return id % kStringsPerBlock; }

struct StringEntry {
    // False when the block ends before the wanted entry does, or the index
    // is outside the block: the text is then empty.
    bool readable = false;
    std::u16string text;  // empty for an empty entry
};

// The entry at `index` (0..15) of the block of `size` bytes. Never reads a
// byte at or past block + size, whatever the counts claim.
StringEntry ReadStringTableEntry(const uint8_t* block, size_t size, int index);

}  // namespace zek
