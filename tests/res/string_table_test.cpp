#include "res/string_table.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/res/string_block.h"

namespace zek {
namespace {

using test::AppendUnit;
using test::MakeBlock;

// Reads from a heap copy of exactly `size` bytes, so that the sanitizer
// build reports any read past the block's end.
StringEntry ReadExact(const std::vector<uint8_t>& bytes, size_t size, int index) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size == 0 ? 1 : size]);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size), copy.get());
    return ReadStringTableEntry(copy.get(), size, index);
}

TEST(StringTable, IdsMapToBlockAndIndex) {
    EXPECT_EQ(StringBlockId(1), 1);
    EXPECT_EQ(StringBlockIndex(1), 1);
    EXPECT_EQ(StringBlockId(2), 1);
    EXPECT_EQ(StringBlockIndex(2), 2);
    EXPECT_EQ(StringBlockId(26), 2);
    EXPECT_EQ(StringBlockIndex(26), 10);
    EXPECT_EQ(StringBlockId(27), 2);
    EXPECT_EQ(StringBlockIndex(27), 11);
    EXPECT_EQ(StringBlockId(15), 1);
    EXPECT_EQ(StringBlockId(16), 2);
    EXPECT_EQ(StringBlockIndex(16), 0);
}

TEST(StringTable, WalksPastEarlierEntriesToTheWantedOne) {
    const auto block = MakeBlock({{0, u"zero"}, {1, u"Auto zoom"}, {2, u"Автозум"}, {15, u"last"}});
    const StringEntry first = ReadExact(block, block.size(), 1);
    EXPECT_TRUE(first.readable);
    EXPECT_EQ(first.text, u"Auto zoom");
    EXPECT_EQ(ReadExact(block, block.size(), 2).text, u"Автозум");
    EXPECT_EQ(ReadExact(block, block.size(), 0).text, u"zero");
    EXPECT_EQ(ReadExact(block, block.size(), 15).text, u"last");
}

TEST(StringTable, EmptyEntryIsReadableAndEmpty) {
    const auto block = MakeBlock({{1, u"a"}, {3, u"b"}});
    for (int index : {0, 2, 4, 15}) {
        const StringEntry entry = ReadExact(block, block.size(), index);
        EXPECT_TRUE(entry.readable) << index;
        EXPECT_TRUE(entry.text.empty()) << index;
    }
}

TEST(StringTable, TruncatedBlockGivesNothingForEntriesItCuts) {
    const auto block = MakeBlock({{1, u"Auto zoom"}, {2, u"two"}});
    // Layout: entry 0 = bytes 0..1, entry 1 = count at 2..3, units at 4..21,
    // entry 2 = count at 22..23, units at 24..29.
    EXPECT_FALSE(ReadExact(block, 0, 0).readable);
    EXPECT_FALSE(ReadExact(block, 1, 0).readable);     // half a count
    EXPECT_FALSE(ReadExact(block, 3, 1).readable);     // entry 1's count cut
    EXPECT_FALSE(ReadExact(block, 21, 1).readable);    // last unit cut in half
    EXPECT_FALSE(ReadExact(block, 20, 1).readable);    // last unit missing
    EXPECT_TRUE(ReadExact(block, 22, 1).readable);     // ends right after entry 1
    EXPECT_EQ(ReadExact(block, 22, 1).text, u"Auto zoom");
    EXPECT_FALSE(ReadExact(block, 22, 2).readable);    // entry 2 beyond the end
    EXPECT_FALSE(ReadExact(block, 29, 2).readable);
    EXPECT_EQ(ReadExact(block, 30, 2).text, u"two");
    EXPECT_TRUE(ReadExact(block, 2, 0).readable);      // only entry 0 present
}

TEST(StringTable, CountsRunningPastTheEndGiveNothing) {
    std::vector<uint8_t> block;
    AppendUnit(block, 0);
    AppendUnit(block, 0xFFFF);  // claims 65535 units, has 2
    AppendUnit(block, u'h');
    AppendUnit(block, u'i');
    EXPECT_TRUE(ReadExact(block, block.size(), 0).readable);
    EXPECT_FALSE(ReadExact(block, block.size(), 1).readable);
    EXPECT_TRUE(ReadExact(block, block.size(), 1).text.empty());
    // Entries behind the broken one cannot be reached either.
    EXPECT_FALSE(ReadExact(block, block.size(), 2).readable);
}

TEST(StringTable, BrokenEntriesAfterTheWantedOneDoNotMatter) {
    std::vector<uint8_t> block;
    AppendUnit(block, 2);
    AppendUnit(block, u'o');
    AppendUnit(block, u'k');
    AppendUnit(block, 500);  // entry 1 runs past the end; entries 2..15 missing
    const StringEntry entry = ReadExact(block, block.size(), 0);
    EXPECT_TRUE(entry.readable);
    EXPECT_EQ(entry.text, u"ok");
}

TEST(StringTable, IndexOutsideTheBlockOrNoBlockGivesNothing) {
    const auto block = MakeBlock({{0, u"x"}});
    EXPECT_FALSE(ReadExact(block, block.size(), -1).readable);
    EXPECT_FALSE(ReadExact(block, block.size(), 16).readable);
    EXPECT_FALSE(ReadStringTableEntry(nullptr, 32, 0).readable);
}

}  // namespace
}  // namespace zek
