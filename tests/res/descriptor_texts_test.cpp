#include "res/descriptor_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "tests/res/fake_resource_platform.h"

namespace zek {
namespace {

using namespace test;

TEST(DescriptorTexts, EachCallFollowsTheHostLanguageOfThatMoment) {
    FakePlatform platform;
    platform.systemLanguage = kEnglish;
    platform.hostAnswer = kRussian;
    char name[128];
    char description[256];
    LoadDescriptorTexts(platform, name, sizeof name, description, sizeof description);
    EXPECT_EQ(std::string(name), kRussianName);
    EXPECT_EQ(std::string(description), "\xCC\xE0\xF1\xF8\xF2\xE0\xE1\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5. ");

    // No answer now: a fresh locator starts again from the system language,
    // and the buffers hold only the new texts.
    platform.hostAnswer = 0;
    LoadDescriptorTexts(platform, name, sizeof name, description, sizeof description);
    EXPECT_STREQ(name, "Auto zoom");
    EXPECT_STREQ(description, "Image scaling.");
    EXPECT_EQ(platform.hostQueries, 2);
}

TEST(DescriptorTexts, MissingTextsLeaveEmptyBuffersAndLongOnesAreCut) {
    FakePlatform platform;
    platform.hostAnswer = kEnglish;
    platform.Remove(kResourceTypeStringTable, 1, kEnglish);
    platform.Remove(kResourceTypeStringTable, 1, kRussian);
    char name[8];
    char description[8];
    std::fill(std::begin(name), std::end(name), 'x');
    LoadDescriptorTexts(platform, name, sizeof name, description, sizeof description);
    EXPECT_EQ(name[0], '\0');
    EXPECT_EQ(description[0], '\0');

    platform.Add(kResourceTypeStringTable, 1, kEnglish, MakeBlock({{1, u"Auto zoom"}, {2, u"Image scaling."}}));
    LoadDescriptorTexts(platform, name, sizeof name, description, sizeof description);
    EXPECT_STREQ(name, "Auto zo");
    EXPECT_STREQ(description, "Image s");
}

}  // namespace
}  // namespace zek
