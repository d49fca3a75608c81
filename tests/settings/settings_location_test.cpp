#include "settings/settings_location.h"

#include <gtest/gtest.h>

#include <vector>

namespace zek {
namespace {

class FakeLocation : public LocationPlatform {
public:
    bool extendedWorks = true;
    bool basicWorks = true;
    uint32_t platformId = kPlatformWin32Nt;
    uint32_t usersFolder = 0;
    std::string appData = "C:\\Users\\me\\AppData\\Roaming";
    std::string exe = "C:\\TV\\Korvisan.exe";
    std::string commandLine = "C:\\TV\\Korvisan.exe";
    std::vector<std::string> queries;
    std::vector<std::string> created;

    bool QueryPlatformId(bool extended, uint32_t& id) override {
        queries.push_back(extended ? "ex" : "basic");
        if (!(extended ? extendedWorks : basicWorks)) return false;
        id = platformId;
        return true;
    }
    uint32_t StoreInUsersFolder() override { return usersFolder; }
    std::string AppDataFolder() override { return appData; }
    std::string HostExecutablePath() override { return exe; }
    std::string CommandLine() override { return commandLine; }
    // Code page 1252's "é", the one non-ASCII character used here.
    std::string AnsiToUtf8(const std::string& ansi) override { return ansi == "\xE9" ? "\xC3\xA9" : ansi; }
    void CreateFolder(const std::string& path) override { created.push_back(path); }
};

const uint32_t kWindows98 = 1;  // VER_PLATFORM_WIN32_WINDOWS

SettingsLocation Locate(FakeLocation& p, const std::string& module = "ZEK_DideZede") {
    SettingsLocation out;
    EXPECT_TRUE(LocateSettings(p, module, out));
    return out;
}

TEST(SettingsLocation, ExamplesOfTheHostsFolderAndInstances) {
    FakeLocation plain;
    EXPECT_EQ(Locate(plain).path, "C:\\TV\\Plugins\\ZEK_DideZede.ini");
    EXPECT_EQ(plain.created, std::vector<std::string>{"C:\\TV\\Plugins"});
    EXPECT_EQ(plain.queries, std::vector<std::string>{"ex"});

    FakeLocation inst;
    inst.commandLine = "C:\\TV\\Korvisan.exe -inst:2";
    const SettingsLocation l = Locate(inst);
    EXPECT_EQ(l.path, "C:\\TV\\Instances\\2\\Plugins\\ZEK_DideZede.ini");
    EXPECT_EQ(l.instanceSuffix, "2");
    // Every level below the base folder, from the top, the base never.
    EXPECT_EQ(inst.created, (std::vector<std::string>{"C:\\TV\\Instances", "C:\\TV\\Instances\\2",
                                                      "C:\\TV\\Instances\\2\\Plugins"}));

    FakeLocation upper;
    upper.commandLine = "Korvisan.exe -INST:B";
    EXPECT_EQ(Locate(upper).path, "C:\\TV\\Instances\\b\\Plugins\\ZEK_DideZede.ini");
    FakeLocation both;
    both.commandLine = "Korvisan.exe -inst:1 /inst:2";
    EXPECT_EQ(Locate(both).instanceSuffix, "2");
    FakeLocation twoDigits;
    twoDigits.commandLine = "Korvisan.exe -inst:12";
    EXPECT_EQ(Locate(twoDigits).path, "C:\\TV\\Instances\\1\\Plugins\\ZEK_DideZede.ini");
    FakeLocation atEnd;
    atEnd.commandLine = "Korvisan.exe -inst:";
    EXPECT_EQ(Locate(atEnd).path, "C:\\TV\\Plugins\\ZEK_DideZede.ini");

    FakeLocation other;
    EXPECT_EQ(Locate(other, "other").path, "C:\\TV\\Plugins\\other.ini");
}

TEST(SettingsLocation, PathIsUtf8AndTheSuffixStaysAnsi) {
    FakeLocation p;
    p.exe = "C:\\\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82\\Korvisan.exe";  // "Тест", UTF-8
    p.commandLine = "Korvisan.exe -inst:\xE9";                     // "é" in code page 1252
    const SettingsLocation l = Locate(p);
    EXPECT_EQ(l.path, "C:\\\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82\\Instances\\\xC3\xA9\\Plugins\\ZEK_DideZede.ini");
    // The window title is matched in ANSI: one byte, unconverted.
    EXPECT_EQ(l.instanceSuffix, "\xE9");
    EXPECT_EQ(p.created[1], "C:\\\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82\\Instances\\\xC3\xA9");
}

TEST(SettingsLocation, UsersFolderOnlyOnNtAndWhenAskedFor) {
    FakeLocation xp;
    xp.usersFolder = 1;
    EXPECT_EQ(Locate(xp).path, "C:\\Users\\me\\AppData\\Roaming\\Korvisan\\Plugins\\ZEK_DideZede.ini");
    EXPECT_EQ(xp.created, (std::vector<std::string>{"C:\\Users\\me\\AppData\\Roaming\\Korvisan",
                                                    "C:\\Users\\me\\AppData\\Roaming\\Korvisan\\Plugins"}));

    FakeLocation xpInstance = xp;
    xpInstance.created.clear();
    xpInstance.commandLine = "Korvisan.exe /inst:3";
    EXPECT_EQ(Locate(xpInstance).path,
              "C:\\Users\\me\\AppData\\Roaming\\Korvisan\\Instances\\3\\Plugins\\ZEK_DideZede.ini");
    EXPECT_EQ(xpInstance.created.size(), 4u);
    EXPECT_EQ(xpInstance.created[2], "C:\\Users\\me\\AppData\\Roaming\\Korvisan\\Instances\\3");

    FakeLocation w98;
    w98.platformId = kWindows98;
    w98.usersFolder = 1;
    EXPECT_EQ(Locate(w98).path, "C:\\TV\\Plugins\\ZEK_DideZede.ini");

    FakeLocation zero;
    zero.usersFolder = 0;
    EXPECT_EQ(Locate(zero).path, "C:\\TV\\Plugins\\ZEK_DideZede.ini");

    // Without an application-data folder the host's folder is used rather
    // than a path from the drive's root.
    FakeLocation noAppData;
    noAppData.usersFolder = 7;
    noAppData.appData.clear();
    EXPECT_EQ(Locate(noAppData).path, "C:\\TV\\Plugins\\ZEK_DideZede.ini");
}

TEST(SettingsLocation, VersionQueryFallsBackThenGivesUp) {
    FakeLocation basic;
    basic.extendedWorks = false;
    basic.usersFolder = 1;
    EXPECT_EQ(Locate(basic).path, "C:\\Users\\me\\AppData\\Roaming\\Korvisan\\Plugins\\ZEK_DideZede.ini");
    EXPECT_EQ(basic.queries, (std::vector<std::string>{"ex", "basic"}));

    FakeLocation none;
    none.extendedWorks = false;
    none.basicWorks = false;
    none.commandLine = "Korvisan.exe -inst:4";
    SettingsLocation kept{"C:\\old.ini", "9"};
    EXPECT_FALSE(LocateSettings(none, "ZEK_DideZede", kept));
    EXPECT_EQ(kept.path, "C:\\old.ini");
    EXPECT_EQ(kept.instanceSuffix, "9");
    EXPECT_TRUE(none.created.empty());
}

}  // namespace
}  // namespace zek
