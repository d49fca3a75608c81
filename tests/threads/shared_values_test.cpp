// The frame flow on one thread, the dialog's work on a second and saves on a
// third, all on one store, as a host that delivers frames on its own thread
// makes them. The thread sanitizer build runs this to find data races; the
// checks below hold whatever the interleaving.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "detect/frame_flow.h"
#include "settings/settings_store.h"
#include "tests/detect/channel_record.h"
#include "tests/settings/settings_test_support.h"

namespace zek {
namespace {

constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 48;
constexpr int kFrames = 1200;
constexpr int kFramesPerChannel = 40;  // enough to settle and be measured
constexpr uint32_t kChannels = 3;

int32_t ZEK_CDECL KeepAll(uint32_t, uint32_t) { return 1; }

class CountingPorts final : public FramePorts {
public:
    void ChannelSwitched() override { ++switches; }
    void SendZoom(int32_t) override { ++zooms; }
    int switches = 0;
    int zooms = 0;
};

// A letterboxed YUY2 frame: black band on top, grey picture below.
std::vector<uint8_t> BandFrame() {
    std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 2, 128);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) frame[(y * kWidth + x) * 2] = y < 8 ? 16 : 100;
    return frame;
}

TEST(SharedValues, FramesDialogAndSavesOnThreeThreads) {
    StoreInTempFolder host(KeepAll);
    ASSERT_FALSE(host.folder.path().empty());
    SettingsStore& store = host.store;

    FrameFlowState state;
    state.format = FrameFormat{kWidth, kHeight, kPixelFormatYuy2};
    state.plotter.SetGeometry(kWidth, kHeight, kPixelFormatYuy2);
    state.rowActivity.Allocate(kHeight);
    CountingPorts ports;
    std::atomic<bool> framesDone{false};
    std::atomic<int> badNames{0};
    // All three start together, so that their work overlaps.
    std::atomic<int> started{0};
    const auto startTogether = [&] {
        ++started;
        while (started < 3) std::this_thread::yield();
    };

    std::thread frames([&] {
        startTogether();
        std::vector<uint8_t> channels[kChannels];
        for (uint32_t id = 1; id <= kChannels; ++id)
            channels[id - 1] = ChannelRecord(id, 0, "Channel " + std::to_string(id));
        std::vector<uint8_t> frame = BandFrame();
        for (int i = 0; i < kFrames; ++i) {
            const ChannelInfo& channel = AsChannel(channels[(i / kFramesPerChannel) % kChannels]);
            // The measure paints the top rows; give it a fresh picture.
            if (i % kFramesPerChannel == 0) frame = BandFrame();
            RunFrameFlow(state, store, ports, frame.data(), channel);
        }
        framesDone = true;
    });
    std::thread dialog([&] {
        startTogether();
        for (int32_t k = 0; !framesDone; ++k) {
            store.current.ProcEnable.store(k % 4 != 0, std::memory_order_relaxed);
            store.current.OverZoom.store(k % 10, std::memory_order_relaxed);
            state.metricsEnabled.store(k % 2, std::memory_order_relaxed);
            const std::string name = state.channelName.Get();
            if (!name.empty() && name != "Channel 1" && name != "Channel 2" && name != "Channel 3") ++badNames;
            if (k % 16 == 0) store.BackupRecords();
            if (k % 16 == 8) store.RestoreRecords();
            if (k % 32 == 0) store.SetDialogPos(k, -k);
            std::this_thread::yield();
        }
    });
    std::thread saves([&] {
        startTogether();
        while (!framesDone) store.Save();
    });
    frames.join();
    dialog.join();
    saves.join();

    // Channel switches come from the frames alone: a restore puts back the
    // same channels in the same places.
    EXPECT_EQ(ports.switches, kFrames / kFramesPerChannel);
    EXPECT_EQ(badNames, 0);
    EXPECT_EQ(state.channelName.Get(), "Channel " + std::to_string((kFrames / kFramesPerChannel - 1) % kChannels + 1));
    const std::vector<ChannelSettings> records = store.Records();
    ASSERT_EQ(records.size(), kChannels);
    for (uint32_t i = 0; i < kChannels; ++i) EXPECT_EQ(records[i].idLow, i + 1);

    // What the dialog writes last is what the next save keeps.
    store.current.ProcEnable.store(0, std::memory_order_relaxed);
    store.current.OverZoom.store(7, std::memory_order_relaxed);
    store.SetDialogPos(5, 6);
    store.Save();
    std::string expected = "[DIALOG]\r\nDlgWndPosX=5\r\nDlgWndPosY=6\r\n";
    const uint32_t selected = store.Current().idLow;
    for (const ChannelSettings& r : store.Records()) {
        if (r.idLow == selected) {
            EXPECT_EQ(std::make_pair(r.ProcEnable, r.OverZoom), std::make_pair(0, 7));
        }
        expected += "[" + std::to_string(r.idLow) + "]\r\nProcEnable=" + std::to_string(r.ProcEnable) +
                    "\r\nOverZoom=" + std::to_string(r.OverZoom) + "\r\n";
    }
    EXPECT_EQ(ReadFile(host.IniPath()), expected);
}

}  // namespace
}  // namespace zek
