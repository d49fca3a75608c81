// The host's KeepChannel runs inside Save, on the thread that saves, and a
// careless host calls back into the plug-in from it: frames of channels it
// has not shown before, the dialog opening and cancelled, Done once more.
// The lock lets the same thread in again, on Windows as here.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "settings/settings_store.h"
#include "tests/settings/settings_test_support.h"

namespace zek {
namespace {

constexpr uint32_t kShown = 200;     // channels the viewer showed before Done
constexpr uint32_t kFirstShown = 1000;
constexpr uint32_t kNewInSave = 120;  // channels first seen inside KeepChannel
constexpr uint32_t kFirstNew = 5000;

SettingsStore* g_reentryStore = nullptr;
uint32_t g_reentryAsked = 0;

// Keeps the even ids, and meanwhile plays the careless host.
int32_t ZEK_CDECL KeepEvenWhileCallingBack(uint32_t idLow, uint32_t) {
    const uint32_t k = g_reentryAsked++;
    if (k < kNewInSave) g_reentryStore->SelectChannel(kFirstNew + k, 0);
    if (k == 50) {
        int32_t x = 0;
        int32_t y = 0;
        g_reentryStore->GetDialogPos(x, y);
        g_reentryStore->BackupRecords();
    }
    if (k == 60) g_reentryStore->SetDialogPos(1, 2);
    if (k == 100) g_reentryStore->Save();
    if (k == 150) g_reentryStore->RestoreRecords();
    return idLow % 2 == 0;
}

std::string Section(uint32_t id, int32_t overZoom) {
    return "[" + std::to_string(id) + "]\r\nProcEnable=1\r\nOverZoom=" + std::to_string(overZoom) + "\r\n";
}

TEST(KeepChannelReentry, CallsBackIntoTheStoreWhileItSaves) {
    StoreInTempFolder host(KeepEvenWhileCallingBack);
    ASSERT_FALSE(host.folder.path().empty());
    SettingsStore& s = host.store;
    for (uint32_t i = 0; i < kShown; ++i) {
        s.SelectChannel(kFirstShown + i, 0);
        s.current.OverZoom = static_cast<int32_t>(i % 10);
    }
    s.SetDialogPos(30, 40);
    g_reentryStore = &s;
    g_reentryAsked = 0;

    // A lock that did not let its holder in again would never return.
    std::promise<void> saved;
    std::thread done([&] {
        s.Save();
        saved.set_value();
    });
    if (saved.get_future().wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        std::fprintf(stderr, "Save did not return within 60 s: a call back into the store from KeepChannel "
                             "waits for the lock its own thread holds\n");
        std::_Exit(1);
    }
    done.join();

    // The save wrote the records and position it took before asking; the
    // save started inside it asked no one and wrote nothing.
    EXPECT_EQ(g_reentryAsked, kShown);
    std::string expected = "[DIALOG]\r\nDlgWndPosX=30\r\nDlgWndPosY=40\r\n";
    for (uint32_t i = 0; i < kShown; i += 2) expected += Section(kFirstShown + i, static_cast<int32_t>(i % 10));
    EXPECT_EQ(ReadFile(host.IniPath()), expected);

    // Nothing the callbacks did was lost: the cancel kept the channels first
    // seen meanwhile, and the next save writes them with the DEFAULT values.
    EXPECT_EQ(s.Records().size(), kShown + kNewInSave);
    g_reentryAsked = kShown + kNewInSave;  // the next save only answers
    s.Save();
    expected = "[DIALOG]\r\nDlgWndPosX=1\r\nDlgWndPosY=2\r\n";
    for (uint32_t i = 0; i < kShown; i += 2) expected += Section(kFirstShown + i, static_cast<int32_t>(i % 10));
    for (uint32_t i = 0; i < kNewInSave; i += 2) expected += Section(kFirstNew + i, 3);
    EXPECT_EQ(ReadFile(host.IniPath()), expected);
}

}  // namespace
}  // namespace zek
