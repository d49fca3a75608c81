// The graph drawn by the per-frame flow, end to end with the real store.
#include <gtest/gtest.h>

#include <vector>

#include "detect/frame_flow.h"
#include "settings/settings_store.h"
#include "tests/detect/channel_record.h"

namespace zek {
namespace {

class QuietPorts : public FramePorts {
public:
    void ChannelSwitched() override {}
    void SendZoom(int32_t) override {}
};

// Runs a black frame through a fresh flow until it is measured; returns it.
std::vector<uint8_t> MeasuredBlackFrame(int32_t width, int32_t height, bool metrics) {
    FrameFlowState state;
    state.format = {width, height, kPixelFormatYuy2};
    state.rowActivity.Allocate(height);
    state.plotter.SetGeometry(width, height, kPixelFormatYuy2);
    state.metricsEnabled = metrics ? 1 : 0;
    SettingsStore store;
    QuietPorts ports;
    const std::vector<uint8_t> record = ChannelRecord(5, 0, "Five");
    const ChannelInfo& channel = AsChannel(record);

    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = i % 2 ? 128 : 16;
    RunFrameFlow(state, store, ports, frame.data(), channel);
    store.current.ProcEnable = 1;  // as the dialog would
    for (int i = 1; i < kSettleFrames; ++i) RunFrameFlow(state, store, ports, frame.data(), channel);
    for (int32_t i = 0; i < height; ++i) EXPECT_EQ(state.rowActivity.data()[i], 0) << "row " << i;
    return frame;
}

// Black, rows 0 to 3 painted dark grey.
std::vector<uint8_t> PaintedBlackFrame(int32_t width, int32_t height) {
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
    const uint8_t paint[4] = {0x20, 0x80, 0x20, 0x80};
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = i < static_cast<size_t>(8 * width) ? paint[i % 4] : (i % 2 ? 128 : 16);
    }
    return frame;
}

TEST(FrameFlowMetrics, FlatActivityDrawsAWhiteLineDownColumnZero) {
    const int32_t width = 64, height = 48;  // n = 16
    const std::vector<uint8_t> frame = MeasuredBlackFrame(width, height, true);
    std::vector<uint8_t> expected = PaintedBlackFrame(width, height);
    for (int32_t y = 0; y < height / 3; ++y) {
        uint8_t* group = &expected[static_cast<size_t>(y) * width * 2];
        group[0] = 255;
        group[1] = 128;
        group[3] = 128;
    }
    EXPECT_EQ(frame, expected);
}

TEST(FrameFlowMetrics, NothingIsDrawnWithMetricsOff) {
    EXPECT_EQ(MeasuredBlackFrame(64, 48, false), PaintedBlackFrame(64, 48));
}

}  // namespace
}  // namespace zek
