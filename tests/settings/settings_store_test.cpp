#include "settings/settings_store.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "tests/settings/settings_test_support.h"

namespace zek {
namespace {

int32_t g_keepAnswer = 1;
std::vector<std::pair<uint32_t, uint32_t>> g_asked;

int32_t ZEK_CDECL Keep(uint32_t low, uint32_t high) {
    g_asked.emplace_back(low, high);
    return g_keepAnswer;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_keepAnswer = 1;
        g_asked.clear();
        ASSERT_FALSE(folder.path().empty());
    }
    std::string IniPath() const { return folder.path() + "\\Plugins\\ZEK_DideZede.ini"; }
    // The host's folder with a Plugins folder already holding this text.
    void Seed(const std::string& text) {
        ::mkdir((folder.path() + "/Plugins").c_str(), 0755);
        WriteFile(IniPath(), text);
    }
    void Load(SettingsStore& s, ChangeHookFn hook = nullptr) {
        s.SetPlatform(&PosixSettingsFileIo(), &location);
        s.Load("ZEK_DideZede", 0, Keep, hook);
    }
    std::vector<ChannelSettings> Loaded(const std::string& text) {
        Seed(text);
        SettingsStore s;
        Load(s);
        return s.Records();
    }

    TempFolder folder;
    FolderLocation location{folder.path()};
};

const char kSixLines[] =
    "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n[17]\r\nProcEnable=1\r\nOverZoom=3\r\n";

TEST_F(StoreTest, FirstRunWritesTheDialogAndTheChannelSeen) {
    SettingsStore s;
    Load(s);
    EXPECT_EQ(s.SettingsPath(), IniPath());
    EXPECT_TRUE(FileExists(IniPath()));  // created empty by the load
    EXPECT_EQ(ReadFile(IniPath()), "");
    int32_t x = 0, y = 0;
    s.GetDialogPos(x, y);
    EXPECT_EQ(x, -100);
    EXPECT_EQ(y, -100);

    EXPECT_EQ(s.SelectChannel(17, 0), 1);
    EXPECT_EQ(s.current.ProcEnable, 1);
    EXPECT_EQ(s.current.OverZoom, 3);
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()), kSixLines);

    SettingsStore declined;
    Load(declined);
    declined.SelectChannel(18, 0);
    g_keepAnswer = 0;
    g_asked.clear();
    declined.Save();
    EXPECT_EQ(ReadFile(IniPath()), "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n");
    EXPECT_EQ(g_asked, (std::vector<std::pair<uint32_t, uint32_t>>{{17, 0}, {18, 0}}));

    // Without a KeepChannel to ask, every channel is kept.
    SettingsStore unasked;
    unasked.SetPlatform(&PosixSettingsFileIo(), &location);
    unasked.Load("ZEK_DideZede", 0, nullptr);
    unasked.SelectChannel(19, 0);
    unasked.Save();
    EXPECT_EQ(ReadFile(IniPath()),
              "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n[19]\r\nProcEnable=1\r\nOverZoom=3\r\n");
}

// As the module loads it, before Init: no records and every value 0. A host
// that hands over frames before Init gets channels with processing off.
TEST_F(StoreTest, BeforeItsLoadEverythingIsZero) {
    SettingsStore s;
    int32_t x = 9, y = 9;
    s.GetDialogPos(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(s.Current().idLow, 0u);
    EXPECT_EQ(s.Current().idHigh, 0u);
    EXPECT_EQ(s.current.ProcEnable, 0);
    EXPECT_EQ(s.current.OverZoom, 0);
    EXPECT_TRUE(s.Records().empty());
    EXPECT_EQ(s.SelectChannel(17, 0), 1);
    EXPECT_EQ(s.current.ProcEnable, 0);
    EXPECT_EQ(s.current.OverZoom, 0);
}

TEST_F(StoreTest, DefaultSectionFeedsNewChannelsOnly) {
    Seed("[DEFAULT]\r\nProcEnable=0\r\nOverZoom=5\r\n[17]\r\nProcEnable=0\r\n");
    SettingsStore s;
    Load(s);
    const std::vector<ChannelSettings> r = s.Records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].ProcEnable, 0);
    EXPECT_EQ(r[0].OverZoom, 3);  // the table's default, not DEFAULT's
    EXPECT_EQ(s.Defaults().ProcEnable, 0);
    EXPECT_EQ(s.Defaults().OverZoom, 5);
    s.SelectChannel(18, 0);
    EXPECT_EQ(s.current.ProcEnable, 0);
    EXPECT_EQ(s.current.OverZoom, 5);
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()),
              "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n"
              "[17]\r\nProcEnable=0\r\nOverZoom=3\r\n"
              "[18]\r\nProcEnable=0\r\nOverZoom=5\r\n");
}

TEST_F(StoreTest, ChannelSectionsLoadWhereverTheyStand) {
    // Above DEFAULT, and a channel header as the very first line: both are
    // kept, in file order, and survive the next save.
    Seed("[17]\r\nOverZoom=1\r\n[DEFAULT]\r\nOverZoom=5\r\n[DIALOG]\r\nDlgWndPosX=7\r\n[18]\r\nOverZoom=2");
    SettingsStore s;
    Load(s);
    const std::vector<ChannelSettings> r = s.Records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].idLow, 17u);
    EXPECT_EQ(r[0].OverZoom, 1);
    EXPECT_EQ(r[1].idLow, 18u);
    EXPECT_EQ(r[1].OverZoom, 2);  // last line without a break
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()),
              "[DIALOG]\r\nDlgWndPosX=7\r\nDlgWndPosY=-100\r\n"
              "[17]\r\nProcEnable=1\r\nOverZoom=1\r\n"
              "[18]\r\nProcEnable=1\r\nOverZoom=2\r\n");
}

TEST_F(StoreTest, SectionNamesThatAreAndAreNotChannels) {
    Seed("[DIALOG]\r\n[0]\r\n[abc]\r\n[12abc]\r\nOverZoom=6\r\n[-5]\r\nProcEnable=0\r\n[4294967297]\r\n");
    SettingsStore s;
    Load(s);
    const std::vector<ChannelSettings> r = s.Records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].idLow, 12u);
    EXPECT_EQ(r[0].idHigh, 0u);
    EXPECT_EQ(r[0].OverZoom, 6);
    EXPECT_EQ(r[1].idLow, 0xFFFFFFFBu);
    EXPECT_EQ(r[1].idHigh, 0xFFFFFFFFu);
    EXPECT_EQ(r[1].ProcEnable, 0);
    EXPECT_EQ(r[2].idLow, 1u);
    EXPECT_EQ(r[2].idHigh, 1u);
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()),
              "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n"
              "[12]\r\nProcEnable=1\r\nOverZoom=6\r\n"
              "[-5]\r\nProcEnable=0\r\nOverZoom=3\r\n"
              "[4294967297]\r\nProcEnable=1\r\nOverZoom=3\r\n");
}

// The zoom row names the dialog's range, and a load does not hold the file
// to it: values outside it come back as they were written.
TEST_F(StoreTest, OverZoomOutsideItsRangeLoadsAndSavesAsItStands) {
    ChannelSettings record;
    const SettingsKeyTable keys = SettingsKeys(record);
    ASSERT_TRUE(keys.rows[1].range.has_value());
    EXPECT_EQ(keys.rows[1].range->lower, 0);
    EXPECT_EQ(keys.rows[1].range->upper, 9);
    EXPECT_FALSE(keys.rows[0].range.has_value());

    const char text[] =
        "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n"
        "[17]\r\nProcEnable=1\r\nOverZoom=12\r\n[18]\r\nProcEnable=1\r\nOverZoom=-4\r\n";
    const std::vector<ChannelSettings> r = Loaded(text);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].OverZoom, 12);
    EXPECT_EQ(r[1].OverZoom, -4);
    SettingsStore s;
    Load(s);
    s.SelectChannel(17, 0);
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()), text);
}

TEST_F(StoreTest, HeadersWithInnerBlanksCannotLoopTheLoad) {
    // The lookup for " 17 " finds "[17]" above it; the walk over the file
    // must still go on past "[ 17 ]" and end.
    const std::vector<ChannelSettings> r = Loaded("[17]\r\nOverZoom=4\r\n[ 17 ]\r\nOverZoom=9\r\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].OverZoom, 4);
    EXPECT_EQ(r[1].OverZoom, 4);  // looked up under "[17]"
}

TEST_F(StoreTest, IdsOneToFourAreAlwaysKept) {
    Seed("[1]\r\n[3]\r\n[4]\r\n[4294967297]\r\n[5]\r\n");
    SettingsStore s;
    Load(s);
    s.SelectChannel(0, 0);  // a host may hand over channel 0; no section loads as one
    g_keepAnswer = 0;
    s.Save();
    EXPECT_EQ(g_asked.size(), 6u);  // asked for every record, the kept ones too
    EXPECT_EQ(ReadFile(IniPath()),
              "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n[1]\r\nProcEnable=1\r\nOverZoom=3\r\n"
              "[3]\r\nProcEnable=1\r\nOverZoom=3\r\n[4]\r\nProcEnable=1\r\nOverZoom=3\r\n");
}

TEST_F(StoreTest, TwoSectionsForOneChannel) {
    Seed("[DIALOG]\r\n[17]\r\nOverZoom=1\r\n[17]\r\nOverZoom=2\r\n");
    SettingsStore s;
    Load(s);
    ASSERT_EQ(s.Records().size(), 2u);
    EXPECT_EQ(s.SelectChannel(17, 0), 1);  // nothing selected after a load
    EXPECT_EQ(s.CurrentIndex(), 0);
    EXPECT_EQ(s.current.OverZoom, 1);
    EXPECT_EQ(s.SelectChannel(17, 0), 0);
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()),
              "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n"
              "[17]\r\nProcEnable=1\r\nOverZoom=1\r\n[17]\r\nProcEnable=1\r\nOverZoom=2\r\n");
}

TEST_F(StoreTest, SwitchingStoresTheWorkingValuesBack) {
    Seed("[17]\r\n[18]\r\nOverZoom=8\r\n");
    SettingsStore s;
    Load(s);
    EXPECT_EQ(s.current.OverZoom, 8);  // the last section read, until a selection
    EXPECT_EQ(s.SelectChannel(17, 0), 1);
    s.current.OverZoom = 6;
    EXPECT_EQ(s.SelectChannel(17, 0), 0);
    EXPECT_EQ(s.SelectChannel(18, 0), 1);
    EXPECT_EQ(s.current.OverZoom, 8);
    EXPECT_EQ(s.SelectChannel(17, 0), 1);
    EXPECT_EQ(s.current.OverZoom, 6);
    EXPECT_EQ(s.SelectChannel(17, 1), 1);  // the high half counts
    EXPECT_EQ(s.Records().size(), 3u);
}

TEST_F(StoreTest, CancelKeepsChannelsFirstSeenWhileTheDialogWasOpen) {
    Seed("[17]\r\nOverZoom=3\r\n[DEFAULT]\r\nOverZoom=4\r\n");
    SettingsStore s;
    Load(s);
    s.SelectChannel(17, 0);
    s.BackupRecords();
    s.current.OverZoom = 9;
    EXPECT_EQ(s.SelectChannel(18, 0), 1);
    s.RestoreRecords();
    const std::vector<ChannelSettings> r = s.Records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].OverZoom, 3);  // the change is undone
    EXPECT_EQ(r[1].idLow, 18u);
    EXPECT_EQ(r[1].OverZoom, 4);
    EXPECT_EQ(s.Current().idLow, 18u);
    EXPECT_EQ(s.current.OverZoom, 4);
}

TEST_F(StoreTest, RestoreWithoutABackupLosesNothing) {
    Seed("[17]\r\n[18]\r\n");
    SettingsStore s;
    Load(s);
    s.SelectChannel(18, 0);
    s.RestoreRecords();
    EXPECT_EQ(s.Records().size(), 2u);
    EXPECT_EQ(s.CurrentIndex(), 1);
}

TEST_F(StoreTest, UnchangedTextLeavesTheFileAlone) {
    Seed(kSixLines);
    struct stat before;
    ASSERT_EQ(::stat(PosixPath(IniPath()).c_str(), &before), 0);
    SettingsStore s;
    Load(s);
    s.SelectChannel(17, 0);
    s.Save();
    struct stat after;
    ASSERT_EQ(::stat(PosixPath(IniPath()).c_str(), &after), 0);
    // A rewrite goes through a new file, so the inode would change.
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(before.st_mtime, after.st_mtime);

    // Changed on disk after the load: the same new text leaves it alone,
    // a different one replaces it.
    WriteFile(IniPath(), "hand edit");
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()), "hand edit");
    s.SetDialogPos(312, -7);
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()),
              "[DIALOG]\r\nDlgWndPosX=312\r\nDlgWndPosY=-7\r\n[17]\r\nProcEnable=1\r\nOverZoom=3\r\n");
}

TEST_F(StoreTest, AReadOnlyFileIsReadButNeverReplaced) {
    const std::string text = "[17]\r\nOverZoom=7\r\n";
    Seed(text);
    ASSERT_EQ(::chmod(PosixPath(IniPath()).c_str(), 0444), 0);
    SettingsStore s;
    Load(s);
    s.SelectChannel(17, 0);
    EXPECT_EQ(s.current.OverZoom, 7);
    s.SelectChannel(18, 0);
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()), text);
    // No temporary file left beside it.
    std::vector<std::string> names;
    DIR* dir = ::opendir((folder.path() + "/Plugins").c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    EXPECT_EQ(names, std::vector<std::string>{"ZEK_DideZede.ini"});
}

void* NoGrowth(void* block, std::size_t size) {
    return size > static_cast<std::size_t>(SettingsWriter::kGrowStep) ? nullptr : std::realloc(block, size);
}

TEST_F(StoreTest, ATextThatCannotBeCompletedIsNotWritten) {
    Seed(kSixLines);
    SettingsStore s;
    Load(s);
    // About 3500 records need more than one step of output.
    for (uint32_t id = 100; id < 3600; ++id) s.SelectChannel(id, 0);
    s.SetOutputReallocator(NoGrowth);
    s.Save();
    EXPECT_EQ(ReadFile(IniPath()), kSixLines);
    s.SetOutputReallocator(nullptr);
    s.Save();
    EXPECT_GT(ReadFile(IniPath()).size(), 100000u);
}

TEST_F(StoreTest, SaveLeavesTheSelectedChannelsValuesInCurrent) {
    Seed("[17]\r\nOverZoom=1\r\n[18]\r\nOverZoom=2\r\n");
    SettingsStore s;
    Load(s);
    s.SelectChannel(17, 0);
    s.Save();
    EXPECT_EQ(s.Current().idLow, 17u);
    EXPECT_EQ(s.current.OverZoom, 1);
}

std::vector<int32_t> g_hookCalls;
SettingsStore* g_hooked = nullptr;
void Hook(int32_t when) { g_hookCalls.push_back(when * 100 + g_hooked->current.OverZoom); }

TEST_F(StoreTest, ChangeHookBracketsEveryCopy) {
    Seed("[17]\r\nOverZoom=1\r\n[18]\r\nOverZoom=2\r\n");
    SettingsStore s;
    g_hooked = &s;
    g_hookCalls.clear();
    Load(s, Hook);
    EXPECT_TRUE(g_hookCalls.empty());  // nothing selected yet
    s.SelectChannel(17, 0);
    s.current.OverZoom = 5;
    s.SelectChannel(18, 0);
    // Told 0 before current (still 5) is stored, 1 after it holds 18's 2.
    EXPECT_EQ(g_hookCalls, (std::vector<int32_t>{101, 5, 102}));
}

TEST_F(StoreTest, NoFileAndNoPathMeanDefaults) {
    // The host's own folder is gone, and nothing above "Instances\" is
    // ever made: no folder for the file.
    location.exe = folder.path() + "\\gone\\Korvisan.exe";
    location.commandLine = "Korvisan.exe -inst:5";
    SettingsStore s;
    Load(s);
    EXPECT_EQ(s.InstanceSuffix(), "5");
    EXPECT_FALSE(FileExists(folder.path() + "\\gone"));
    EXPECT_FALSE(FileExists(s.SettingsPath()));
    EXPECT_EQ(s.SelectChannel(17, 0), 1);
    EXPECT_EQ(s.current.OverZoom, 3);
    s.Save();
    EXPECT_FALSE(FileExists(s.SettingsPath()));

    SettingsStore bare;  // no platform at all
    bare.Load("ZEK_DideZede", 0, Keep);
    EXPECT_EQ(bare.SettingsPath(), "");
    EXPECT_EQ(bare.SelectChannel(2, 0), 1);
    EXPECT_EQ(bare.current.ProcEnable, 1);
    bare.Save();
}


// A file that exists but cannot be read: nothing the store saves may
// replace it.
class UnreadableIo : public SettingsFileIo {
public:
    int replaced = 0;
    bool ReadOrCreate(const std::string&, std::unique_ptr<char[]>&, int32_t&) override { return false; }
    bool ReplaceWhole(const std::string&, const char*, std::size_t) override {
        ++replaced;
        return true;
    }
};

TEST_F(StoreTest, AFileThatCouldNotBeReadIsNotOverwritten) {
    UnreadableIo io;
    SettingsStore s;
    s.SetPlatform(&io, &location);
    s.Load("ZEK_DideZede", 0, Keep);
    EXPECT_EQ(s.SelectChannel(17, 0), 1);
    EXPECT_EQ(s.current.OverZoom, 3);
    s.Save();
    EXPECT_EQ(io.replaced, 0);

    // Nor does a store whose file access was taken away after the load.
    Seed(kSixLines);
    SettingsStore cut;
    Load(cut);
    cut.SetPlatform(nullptr, nullptr);
    cut.SelectChannel(18, 0);
    cut.Save();
    EXPECT_EQ(ReadFile(IniPath()), kSixLines);
}

}  // namespace
}  // namespace zek
