#include "base/command_line.h"

#include <gtest/gtest.h>

namespace zek {
namespace {

struct TitleCase {
    const char* commandLine;
    const char* suffix;
    const char* hostTitle;
    const char* languageTitle;
};

TEST(CommandLine, SuffixAndTitles) {
    const TitleCase cases[] = {
        {"C:\\TV\\Korvisan.exe", "", "Korvisan", "Korvisan"},
        {"C:\\TV\\Korvisan.exe -inst:2", "2", "Korvisan.Inst2", "Korvisan.Inst2"},
        {"Korvisan.exe /INST:3", "3", "Korvisan.Inst3", "Korvisan.Inst3"},
        {"Korvisan.exe -inst:2 /inst:3", "3", "Korvisan.Inst3", "Korvisan.Inst2.Inst3"},
        {"Korvisan.exe /inst:3 -inst:2", "3", "Korvisan.Inst3", "Korvisan.Inst2.Inst3"},
        {"Korvisan.exe -inst:A", "a", "Korvisan.Insta", "Korvisan.Insta"},
        {"Korvisan.exe -INST:B", "b", "Korvisan.Instb", "Korvisan.Instb"},
        {"Korvisan.exe -inst:12", "1", "Korvisan.Inst1", "Korvisan.Inst1"},
        // A switch that ends the line: no suffix, but the query title keeps ".Inst".
        {"Korvisan.exe -inst:", "", "Korvisan", "Korvisan.Inst"},
        {"-inst:1 -inst:2", "1", "Korvisan.Inst1", "Korvisan.Inst1"},
        {"", "", "Korvisan", "Korvisan"},
    };
    for (const TitleCase& c : cases) {
        SCOPED_TRACE(c.commandLine);
        const std::string suffix = InstanceSuffix(c.commandLine);
        EXPECT_EQ(suffix, c.suffix);
        EXPECT_EQ(HostWindowTitle(suffix), c.hostTitle);
        EXPECT_EQ(LanguageQueryTitle(c.commandLine), c.languageTitle);
    }
}

TEST(CommandLine, SlashSwitchAtEndClearsDashSuffix) {
    // "/inst:" wins whenever it occurs, even with nothing after it.
    EXPECT_EQ(InstanceSuffix("x -inst:2 /inst:"), "");
    EXPECT_EQ(LanguageQueryTitle("x -inst:2 /inst:"), "Korvisan.Inst2.Inst");
}

}  // namespace
}  // namespace zek
