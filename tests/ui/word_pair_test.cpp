#include "ui/word_pair.h"

#include <gtest/gtest.h>

namespace zek {
namespace {

TEST(WordPair, NegativeCoordinatesPackToTheirLowWordsAndReadBackSigned) {
    // A balloon at the lower right corner of a field on a monitor above and
    // left of the primary one: both words negative.
    const uint32_t corner = WordPair(-1481, -697);
    EXPECT_EQ(corner, 0xFD47FA37u);
    EXPECT_EQ(LowSigned(corner), -1481);
    EXPECT_EQ(HighSigned(corner), -697);
    // The spin's range 0..9 (upper low, lower high) and a negative lower bound.
    EXPECT_EQ(WordPair(9, 0), 0x00000009u);
    EXPECT_EQ(WordPair(9, -5), 0xFFFB0009u);
    // A scroll message's code and position; values beyond 16 bits are cut.
    EXPECT_EQ(WordPair(4, 7), 0x00070004u);
    EXPECT_EQ(WordPair(0x12345, -1), 0xFFFF2345u);
    EXPECT_EQ(HighSigned(WordPair(0, 32767)), 32767);
    EXPECT_EQ(HighSigned(WordPair(0, -32768)), -32768);
}

}  // namespace
}  // namespace zek
