// A process killed while it saves must leave the old file or the new one,
// whole, never a mixture or a stump.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <random>
#include <string>

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

// Tells the parent through `ready` once the first save is on disk, then
// saves on until it is killed.
[[noreturn]] void SaveForever(const std::string& hostFolder, int ready) {
    FolderLocation location(hostFolder);
    SettingsStore s;
    s.SetPlatform(&PosixSettingsFileIo(), &location);
    s.Load("ZEK_DideZede", 0, KeepAll);
    s.SelectChannel(1000, 0);
    // The loaded text has zoom 3; the saves alternate between 4 and 5, so
    // each one really replaces the file.
    for (int32_t i = 0;; ++i) {
        s.current.OverZoom = (i % 2) ? 4 : 5;
        s.Save();
        if (i == 0) {
            const char byte = 1;
            if (::write(ready, &byte, 1) != 1) ::_exit(2);
        }
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
    std::uniform_int_distribution<long> delayUs(0, 20000);
    for (int round = 0; round < 12; ++round) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            SaveForever(folder.path(), pipeFds[1]);
        }
        ::close(pipeFds[1]);
        char byte = 0;
        const bool saved = ::read(pipeFds[0], &byte, 1) == 1;
        ::close(pipeFds[0]);
        // Killed at a random moment of the saves that follow the first one.
        const struct timespec wait = {0, delayUs(random) * 1000};
        ::nanosleep(&wait, nullptr);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(saved) << "the child ended before its first save";
        ASSERT_TRUE(WIFSIGNALED(status));

        // After one save the file holds one of the saved texts, whole.
        const std::string now = ReadFile(ini);
        EXPECT_TRUE(now == four || now == five) << "round " << round << ": " << now.size() << " bytes";
    }
}

}  // namespace
}  // namespace zek
