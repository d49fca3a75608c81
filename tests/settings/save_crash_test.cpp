// A process killed while it saves must leave the old file or the new one,
// whole, never a mixture or a stump.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <random>

#include "settings/settings_store.h"
#include "tests/settings/settings_test_support.h"

namespace zek {
namespace {

int32_t ZEK_CDECL KeepAll(uint32_t, uint32_t) { return 1; }

// Enough channels that one save writes a few hundred kilobytes.
constexpr uint32_t kChannels = 8000;

std::string SavedText(int32_t zoomOfFirst) {
    std::string t = "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n";
    for (uint32_t id = 1000; id < 1000 + kChannels; ++id) {
        t += "[" + std::to_string(id) + "]\r\nProcEnable=1\r\nOverZoom=" +
             std::to_string(id == 1000 ? zoomOfFirst : 3) + "\r\n";
    }
    return t;
}

[[noreturn]] void SaveForever(const std::string& hostFolder) {
    FolderLocation location(hostFolder);
    SettingsStore s;
    s.SetPlatform(&PosixSettingsFileIo(), &location);
    s.Load("ZEK_DideZede", 0, KeepAll);
    s.SelectChannel(1000, 0);
    // The loaded text has zoom 3; every other save writes zoom 4, and the
    // ones in between write zoom 5, so each save really replaces the file.
    for (int32_t i = 0;; ++i) {
        s.current.OverZoom = (i % 2) ? 4 : 5;
        s.Save();
    }
}

TEST(SaveCrash, KilledMidSaveLeavesOneWholeFile) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string ini = folder.path() + "/Plugins/ZEK_DideZede.ini";
    ASSERT_EQ(::mkdir((folder.path() + "/Plugins").c_str(), 0755), 0);
    const std::string original = SavedText(3);
    WriteFile(ini, original);
    const std::string four = SavedText(4);
    const std::string five = SavedText(5);

    std::mt19937 random(12345);
    std::uniform_int_distribution<long> delayUs(1000, 40000);
    int replaced = 0;
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) SaveForever(folder.path());
        const long us = delayUs(random);
        const struct timespec wait = {0, us * 1000};
        ::nanosleep(&wait, nullptr);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::string now = ReadFile(ini);
        const bool whole = now == original || now == four || now == five;
        EXPECT_TRUE(whole) << "round " << round << ": " << now.size() << " bytes";
        if (now != original) ++replaced;
    }
    // The kills must have landed among real saves for the check to mean
    // anything; with delays of milliseconds most rounds save at least once.
    EXPECT_GT(replaced, 0);
}

}  // namespace
}  // namespace zek
