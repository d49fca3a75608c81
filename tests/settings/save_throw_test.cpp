// A save that throws midway (the copy of the records can, when memory runs
// out) must leave the store able to save again.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "settings/settings_store.h"
#include "tests/settings/settings_test_support.h"

// The test program's own allocation, able to fail once on request: the
// only way to make a copy of the records throw where the store makes it.
namespace {
std::atomic<bool> g_failNextAllocation{false};
}  // namespace

// GCC takes the free() below for one of memory from the new above: the two
// are one pair here, replacing the library's.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
// Every form of the plain new and delete is replaced, so that whatever the
// program's libraries call (GoogleTest built by GCC 14 takes the nothrow
// new) is freed by the same hand: AddressSanitizer holds a block from the
// library's new freed by free() for a fault.
void* operator new(std::size_t size) {
    if (g_failNextAllocation.exchange(false)) throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept { return operator new(size, nothrow); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace zek {
namespace {

int32_t ZEK_CDECL KeepEvery(uint32_t, uint32_t) { return 1; }

// Told 0 just before the working record goes back into its record: in a
// save, right before the records are copied for writing.
bool g_failTheCopy = false;
void FailTheCopyAfterStoring(int32_t when) {
    if (when == 0 && g_failTheCopy) {
        g_failTheCopy = false;
        g_failNextAllocation = true;
    }
}

TEST(SaveThrow, ASaveThatThrewLeavesTheNextOneToWrite) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    FolderLocation location(folder.path());
    const std::string ini = folder.path() + "/Plugins/ZEK_DideZede.ini";
    ASSERT_EQ(::mkdir((folder.path() + "/Plugins").c_str(), 0755), 0);
    WriteFile(ini, "");
    SettingsStore s;
    s.SetPlatform(&PosixSettingsFileIo(), &location);
    s.Load("ZEK_DideZede", 0, KeepEvery, FailTheCopyAfterStoring);
    s.SelectChannel(17, 0);

    g_failTheCopy = true;
    EXPECT_THROW(s.Save(), std::bad_alloc);
    EXPECT_FALSE(g_failNextAllocation) << "the save made no allocation after storing the working record";
    EXPECT_EQ(ReadFile(ini), "");

    s.Save();
    EXPECT_EQ(ReadFile(ini), "[DIALOG]\r\nDlgWndPosX=-100\r\nDlgWndPosY=-100\r\n[17]\r\nProcEnable=1\r\nOverZoom=3\r\n")
        << "a save after one that threw must write the file";
}

}  // namespace
}  // namespace zek
