#include "detect/frame_flow.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "detect/row_activity.h"
#include "detect/zoom_decision.h"
#include "settings/settings_store.h"

namespace zek {
namespace {

// The matte is looked for in the top third of the frame; the graph shows
// the same rows.
int32_t SearchedRows(int32_t height) { return height / 3; }

}  // namespace

void RowActivityBuffer::AlignedDelete::operator()(int32_t* p) const {
    ::operator delete[](p, std::align_val_t(16));
}

bool ArrayBytes(uint64_t count, uint64_t elementSize, uint64_t addressLimit, size_t& bytes) {
    if (elementSize != 0 && count > addressLimit / elementSize) return false;
    bytes = static_cast<size_t>(count * elementSize);
    return true;
}

void RowActivityBuffer::Allocate(int32_t rows) {
    Release();
    const int32_t count = rows > 0 ? rows : 0;
    // A height of 0 still gets an (empty) array, as the host expects a pair
    // of Start and Stop; nothing ever indexes it. A height whose array the
    // address space cannot hold (2^30 rows and more on a 32-bit system) is a
    // failed allocation, not a wrapped small one.
    size_t bytes = 0;
    if (!ArrayBytes(static_cast<uint64_t>(count), sizeof(int32_t), SIZE_MAX, bytes)) return;
    void* raw = ::operator new[](bytes, std::align_val_t(16), std::nothrow);
    if (!raw) return;
    data_.reset(static_cast<int32_t*>(raw));
    size_ = count;
    Clear();
}

void RowActivityBuffer::Clear() {
    if (data_) std::fill(data_.get(), data_.get() + size_, 0);
}

void StartStream(FrameFlowState& state, int32_t width, int32_t height, int32_t pixelFormat) {
    state.format = FrameFormat{width, height, pixelFormat};
    state.plotter.SetGeometry(width, height, pixelFormat);
    state.rowActivity.Allocate(height);
}

void StopStream(FrameFlowState& state) { state.rowActivity.Release(); }

void DrawMetrics(const FrameFlowState& state, uint8_t* pixels) {
    // Each segment stops one pixel short of its end, which the next draws.
    constexpr int32_t kNoExtraPixels = 0;
    constexpr uint32_t kWhite = 0xFFFFFFFFu;
    constexpr int32_t kOpaque = 100;
    const int32_t* rows = state.rowActivity.data();
    const int32_t n = SearchedRows(state.format.height);
    for (int32_t i = 0; i < n; ++i) {
        state.plotter.DrawLine(pixels, rows[i] / kGraphScale, i, rows[i + 1] / kGraphScale, i + 1, kNoExtraPixels,
                               kWhite, kOpaque);
    }
}

void RunFrameFlow(FrameFlowState& state, SettingsStore& store, FramePorts& ports, uint8_t* pixels,
                  const ChannelInfo& channel) {
    if (store.SelectChannel(channel.idLow, channel.idHigh) == 1) {
        state.channelName.Set(channel.name);
        state.rowActivity.Clear();
        state.settleCountdown = kSettleFrames;
        state.lastZoom = kZoomAfterSwitch;
        ports.ChannelSwitched();
    }
    if (state.settleCountdown != 0) --state.settleCountdown;

    const FrameFormat format = state.format;
    if (format.pixelFormat != kPixelFormatYuy2 || state.settleCountdown != 0 ||
        store.current.ProcEnable.load(std::memory_order_relaxed) == 0) {
        return;
    }
    // After a Stop there is no array, and a frame too small for the measure
    // is left alone; either way there is nothing to estimate from.
    if (!state.rowActivity.allocated() || state.rowActivity.size() < format.height ||
        !CanMeasure(format)) {
        return;
    }
    MeasureRowActivity(state.rowActivity.data(), pixels, format);

    if (state.metricsEnabled.load(std::memory_order_relaxed) != 0) DrawMetrics(state, pixels);

    const Peaks peaks = FindPeaks(state.rowActivity.data(), SearchedRows(format.height));
    const int32_t zoom =
        EstimateZoom(peaks.row1, format.height, store.current.OverZoom.load(std::memory_order_relaxed));
    if (ShouldSendZoom(state.lastZoom, zoom, peaks)) {
        ports.SendZoom(zoom);
        state.lastZoom = zoom;
    }
}

}  // namespace zek
