#include "ui/range_message.h"

#include <gtest/gtest.h>

namespace zek {
namespace {

TEST(RangeMessage, FillsTheBoundsInOrder) {
    EXPECT_EQ(FillRangeMessage("The value must be a number from %d to %d.", 0, 9),
              "The value must be a number from 0 to 9.");
    EXPECT_EQ(FillRangeMessage("%d..%d", -32768, 32767), "-32768..32767");
}

TEST(RangeMessage, OtherConversionsStayText) {
    // No third value exists, and nothing but %d is ever filled.
    EXPECT_EQ(FillRangeMessage("%d %d %d", 1, 2), "1 2 %d");
    EXPECT_EQ(FillRangeMessage("%s%n%x %d", 1, 2), "%s%n%x 1");
    EXPECT_EQ(FillRangeMessage("100%% of %d", 3, 4), "100% of 3");
    EXPECT_EQ(FillRangeMessage("ends in %", 3, 4), "ends in %");
    EXPECT_EQ(FillRangeMessage("", 3, 4), "");
}

}  // namespace
}  // namespace zek
