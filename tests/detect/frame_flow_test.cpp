#include "detect/frame_flow.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "detect/zoom_decision.h"
#include "settings/settings_store.h"
#include "tests/detect/channel_record.h"

namespace zek {
namespace {

class RecordingPorts final : public FramePorts {
public:
    void ChannelSwitched() override { ++switches; }
    void SendZoom(int32_t zoom) override { zooms.push_back(zoom); }
    int switches = 0;
    std::vector<int32_t> zooms;
};

std::vector<uint8_t> BandFrame(int32_t width, int32_t height, int32_t band) {
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            frame[(y * width + x) * 2] = y < band ? 16 : 100;
            frame[(y * width + x) * 2 + 1] = 128;
        }
    return frame;
}

class FrameFlowTest : public ::testing::Test {
protected:
    void StartStream(int32_t width, int32_t height, int32_t pixelFormat = kPixelFormatYuy2) {
        zek::StartStream(state, width, height, pixelFormat);
    }
    // One frame of the channel; the first frame of a channel also sets the
    // channel's values, as the dialog would.
    void Frame(std::vector<uint8_t>& pixels, uint32_t channel = 17, int32_t procEnable = 1, int32_t overZoom = 3) {
        auto record = ChannelRecord(channel, 0, "Channel " + std::to_string(channel));
        RunFrameFlow(state, store, ports, pixels.data(), AsChannel(record));
        store.current.ProcEnable = procEnable;
        store.current.OverZoom = overZoom;
    }

    FrameFlowState state;
    SettingsStore store;
    RecordingPorts ports;
};

TEST_F(FrameFlowTest, SwitchSettlesFor25FramesThenZoomsOnce) {
    StartStream(720, 576);
    auto frame = BandFrame(720, 576, 60);
    Frame(frame);
    EXPECT_EQ(ports.switches, 1);
    EXPECT_EQ(state.settleCountdown, 24);
    EXPECT_EQ(state.lastZoom, 100);
    EXPECT_EQ(state.channelName.Get(), "Channel 17");
    for (int i = 1; i < 24; ++i) Frame(frame);
    EXPECT_TRUE(ports.zooms.empty());
    EXPECT_EQ(frame[0], 16) << "frames that are still settling are not painted";

    Frame(frame);  // F24: the first measured frame
    EXPECT_EQ(ports.zooms, std::vector<int32_t>{15});
    EXPECT_EQ(state.lastZoom, 15);
    EXPECT_EQ(state.rowActivity.data()[58], 122040);
    EXPECT_EQ(state.rowActivity.data()[59], 122040);
    EXPECT_EQ(frame[0], 0x20);

    frame = BandFrame(720, 576, 60);
    Frame(frame);
    EXPECT_EQ(ports.zooms.size(), 1u) << "the same estimate is not sent again";
    EXPECT_EQ(ports.switches, 1);
}

TEST_F(FrameFlowTest, SwitchClearsTheHeldRowsAndResetsLastZoom) {
    StartStream(720, 576);
    auto frame = BandFrame(720, 576, 60);
    for (int i = 0; i < 25; ++i) Frame(frame, 17);
    ASSERT_EQ(state.rowActivity.data()[59], 122040);
    Frame(frame, 18);
    EXPECT_EQ(state.rowActivity.data()[59], 0);
    EXPECT_EQ(state.lastZoom, 100);
    EXPECT_EQ(state.settleCountdown, 24);
    EXPECT_EQ(state.channelName.Get(), "Channel 18");
    EXPECT_EQ(ports.switches, 2);
}

TEST_F(FrameFlowTest, ProcessingOffLeavesFramesUntouched) {
    StartStream(720, 576);
    auto frame = BandFrame(720, 576, 60);
    for (int i = 0; i < 40; ++i) Frame(frame, 17, 0);
    EXPECT_TRUE(ports.zooms.empty());
    EXPECT_EQ(frame[0], 16);
    EXPECT_EQ(state.rowActivity.data()[59], 0);
}

TEST_F(FrameFlowTest, OtherPixelFormatsCountDownButAreNeverMeasured) {
    StartStream(720, 576, kPixelFormatRgb24);
    std::vector<uint8_t> frame(720 * 576 * 3, 16);
    for (int i = 0; i < 30; ++i) Frame(frame);
    EXPECT_EQ(state.settleCountdown, 0);
    EXPECT_TRUE(ports.zooms.empty());
    EXPECT_EQ(frame[1], 16);
}

TEST_F(FrameFlowTest, NoArrayOrTooSmallFrameSkipsTheMeasure) {
    StartStream(720, 576);
    state.rowActivity.Release();  // after Stop
    auto frame = BandFrame(720, 576, 60);
    for (int i = 0; i < 30; ++i) Frame(frame);
    EXPECT_TRUE(ports.zooms.empty());
    EXPECT_EQ(frame[0], 16);

    for (auto [w, h] : {std::pair{6, 576}, std::pair{720, 3}, std::pair{720, 0}}) {
        StartStream(w, h);
        std::vector<uint8_t> small(static_cast<size_t>(w) * h * 2 + 1, 16);
        for (int i = 0; i < 30; ++i) Frame(small, 20 + w + h);
        EXPECT_TRUE(ports.zooms.empty()) << w << "x" << h;
        EXPECT_EQ(small[0], 16) << w << "x" << h;
    }
}

// Records a sound host never sends and a broken one may: strides and the
// zoom product past 32 bits, an array no address space holds, sizes below 0.
TEST_F(FrameFlowTest, BrokenStreamRecordsNeitherOverflowNorPretendAnArray) {
    StartStream(1 << 30, 576);
    EXPECT_EQ(state.plotter.Geometry().rowStride, int64_t{1} << 31);
    StartStream(715827883, 576, kPixelFormatRgb24);
    EXPECT_EQ(state.plotter.Geometry().rowStride, -2147483649);
    StartStream(INT32_MIN, 576, kPixelFormatRgb24);
    EXPECT_EQ(state.plotter.Geometry().rowStride, 6442450944);

    // 30,000,000 * 100 is past 32 bits: 3e9 / 4e7 = 75, plus 3.
    EXPECT_EQ(EstimateZoom(30000000, 100000000, 3), 78);

    // On a 32-bit system 0x40000004 rows of 4 bytes wrap to 16 bytes; that
    // must be no array at all rather than a small one claiming the height.
    size_t bytes = 0;
    EXPECT_FALSE(ArrayBytes(0x40000004u, sizeof(int32_t), UINT32_MAX, bytes));
    EXPECT_FALSE(ArrayBytes(UINT64_MAX / 2, 4, SIZE_MAX, bytes));
    ASSERT_TRUE(ArrayBytes(0x3FFFFFFFu, sizeof(int32_t), UINT32_MAX, bytes));
    EXPECT_EQ(bytes, 0xFFFFFFFCu);

    // Negative heights give the empty array; frames then pass unmeasured.
    for (int32_t height : {-1, INT32_MIN}) {
        StartStream(720, height);
        EXPECT_TRUE(state.rowActivity.allocated());
        EXPECT_EQ(state.rowActivity.size(), 0);
    }
    auto frame = BandFrame(720, 576, 60);
    const auto before = frame;
    for (int i = 0; i < 30; ++i) Frame(frame);
    EXPECT_TRUE(ports.zooms.empty());
    EXPECT_EQ(frame, before);
}

TEST(RowActivityBuffer, AlignedZeroedAndEmptyForHeightZero) {
    RowActivityBuffer rows;
    rows.Allocate(577);
    ASSERT_TRUE(rows.allocated());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(rows.data()) % 16, 0u);
    EXPECT_EQ(rows.size(), 577);
    for (int i = 0; i < 577; ++i) ASSERT_EQ(rows.data()[i], 0);
    rows.Allocate(0);
    EXPECT_TRUE(rows.allocated());
    EXPECT_EQ(rows.size(), 0);
    rows.Release();
    EXPECT_FALSE(rows.allocated());
}

}  // namespace
}  // namespace zek
