#include "res/resource_locator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "res/resource_ids.h"
#include "tests/res/fake_resource_platform.h"

namespace zek {
namespace {

using namespace test;

const void* Template(FakePlatform& p, int id, uint16_t language) {
    return p.Bytes(kResourceTypeDialog, id, language).data();
}

TEST(ResourceLocator, SystemLanguageRulesWithoutAHostWindow) {
    FakePlatform platform;
    ResourceLocator locator(platform);
    EXPECT_EQ(platform.hostQueries, 1);  // building asks the host
    EXPECT_EQ(locator.PrimaryLanguage(), kRussian);
    EXPECT_EQ(locator.FallbackLanguage(), kEnglish);
    EXPECT_EQ(locator.LoadText(ZEK_IDS_NAME), kRussianName);
    EXPECT_EQ(locator.LoadText(ZEK_IDS_RANGE_TITLE), "\xCE\xF8\xE8\xE1\xEA\xE0");
    EXPECT_EQ(locator.FindTemplate(ZEK_IDD_SETTINGS), Template(platform, ZEK_IDD_SETTINGS, kRussian));
}

TEST(ResourceLocator, HostLanguageWinsOverTheSystem) {
    FakePlatform platform;
    platform.hostAnswer = kEnglish;
    ResourceLocator locator(platform);
    EXPECT_EQ(locator.PrimaryLanguage(), kEnglish);
    EXPECT_EQ(locator.LoadText(ZEK_IDS_NAME), "Auto zoom");
    EXPECT_EQ(locator.LoadText(ZEK_IDS_RANGE_FORMAT), "The value must be a number from %d to %d.");
    EXPECT_EQ(locator.FindTemplate(ZEK_IDD_SETTINGS), Template(platform, ZEK_IDD_SETTINGS, kEnglish));

    // Only the low word carries the language.
    platform.hostAnswer = 0x10000u | kRussian;
    locator.RefreshLanguage();
    EXPECT_EQ(locator.PrimaryLanguage(), kRussian);
    EXPECT_EQ(locator.LoadText(ZEK_IDS_NAME), kRussianName);
}

TEST(ResourceLocator, LanguageWithoutResourcesFallsBackToEnglish) {
    FakePlatform platform;
    platform.hostAnswer = kGerman;
    ResourceLocator locator(platform);
    EXPECT_EQ(locator.PrimaryLanguage(), kGerman);
    EXPECT_EQ(locator.LoadText(ZEK_IDS_NAME), "Auto zoom");
    EXPECT_EQ(locator.FindTemplate(ZEK_IDD_SETTINGS), Template(platform, ZEK_IDD_SETTINGS, kEnglish));

    // A single missing resource falls back on its own.
    platform.hostAnswer = kRussian;
    locator.RefreshLanguage();
    EXPECT_EQ(locator.FindTemplate(ZEK_IDD_ABOUT), Template(platform, ZEK_IDD_ABOUT, kEnglish));
    platform.Remove(kResourceTypeStringTable, 2, kRussian);
    EXPECT_EQ(locator.LoadText(ZEK_IDS_RANGE_TITLE), "Error");
    EXPECT_EQ(locator.LoadText(ZEK_IDS_NAME), kRussianName);
}

TEST(ResourceLocator, AnswerOfZeroKeepsTheLanguageChosenSoFar) {
    FakePlatform platform;
    platform.systemLanguage = kEnglish;
    platform.hostAnswer = kRussian;
    ResourceLocator global(platform);
    EXPECT_EQ(global.PrimaryLanguage(), kRussian);

    platform.hostAnswer = 0;
    global.RefreshLanguage();
    EXPECT_EQ(global.PrimaryLanguage(), kRussian);
    EXPECT_EQ(global.LoadText(ZEK_IDS_NAME), kRussianName);

    ResourceLocator fresh(platform);
    EXPECT_EQ(fresh.PrimaryLanguage(), kEnglish);
    EXPECT_EQ(fresh.LoadText(ZEK_IDS_NAME), "Auto zoom");
}

TEST(ResourceLocator, NothingIsFoundUntilTheModuleIsTakenAgain) {
    FakePlatform platform;
    platform.module = nullptr;  // as while the module is still loading
    platform.hostAnswer = kEnglish;
    ResourceLocator locator(platform);
    EXPECT_EQ(locator.PrimaryLanguage(), kEnglish);  // the host was asked all the same
    EXPECT_EQ(locator.FindTemplate(ZEK_IDD_SETTINGS), nullptr);
    EXPECT_EQ(locator.LoadText(ZEK_IDS_NAME), "");

    platform.module = platform.Module();
    locator.TakeResourceModule();
    EXPECT_EQ(locator.FindTemplate(ZEK_IDD_SETTINGS), Template(platform, ZEK_IDD_SETTINGS, kEnglish));
    EXPECT_EQ(locator.LoadText(ZEK_IDS_NAME), "Auto zoom");
}

TEST(ResourceLocator, MissingEverywhereGivesNullAndEmptyTexts) {
    FakePlatform platform;
    ResourceLocator locator(platform);
    EXPECT_EQ(locator.FindTemplate(4999), nullptr);
    EXPECT_EQ(locator.LoadText(40), "");  // block 3 exists in no language
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(locator.LoadTextInto(40, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(locator.LoadText(-1), "");
    EXPECT_EQ(locator.LoadText(0x10000), "");
}

TEST(ResourceLocator, EmptyEntryOfAnExistingBlockLoadsAsEmptyText) {
    FakePlatform platform;
    ResourceLocator locator(platform);
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(locator.LoadTextInto(3, buffer, sizeof buffer), 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(locator.LoadText(3), "");
}

TEST(ResourceLocator, LoadTextIntoCutsToTheBufferAndAlwaysTerminates) {
    FakePlatform platform;
    platform.hostAnswer = kEnglish;
    ResourceLocator locator(platform);
    char buffer[16];

    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(locator.LoadTextInto(ZEK_IDS_NAME, buffer, 10), 1);  // "Auto zoom" fits exactly
    EXPECT_STREQ(buffer, "Auto zoom");
    EXPECT_EQ(buffer[10], 'x');

    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(locator.LoadTextInto(ZEK_IDS_NAME, buffer, 5), 1);
    EXPECT_STREQ(buffer, "Auto");
    EXPECT_EQ(buffer[5], 'x');

    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(locator.LoadTextInto(ZEK_IDS_NAME, buffer, 1), 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');

    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(locator.LoadTextInto(ZEK_IDS_NAME, buffer, 0), 0);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(locator.LoadTextInto(ZEK_IDS_NAME, nullptr, 8), 0);
}

TEST(ResourceLocator, MalformedBlockGivesEmptyTextAndNoFallback) {
    FakePlatform platform;
    // Russian block 1 whose entry 1 claims more units than the block holds.
    platform.Add(kResourceTypeStringTable, 1, kRussian, {0, 0, 0x40, 0, 0x10, 0x04});
    ResourceLocator locator(platform);
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(locator.LoadTextInto(ZEK_IDS_NAME, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(locator.LoadText(ZEK_IDS_NAME), "");
    // The block is there, so English is not consulted for it.
    EXPECT_EQ(locator.LoadText(ZEK_IDS_RANGE_TITLE), "\xCE\xF8\xE8\xE1\xEA\xE0");
}

}  // namespace
}  // namespace zek
