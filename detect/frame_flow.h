// The per-frame flow: follow channel switches, let the picture settle, measure
// settled YUY2 frames, optionally draw the graph, and ask the host to zoom.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "detect/detect_options.h"
#include "detect/frame_format.h"
#include "detect/metrics_plotter.h"
#include "base/lock.h"
#include "base/plugin_abi.h"

namespace zek {

class SettingsStore;

// count * elementSize in bytes when it is at most addressLimit (SIZE_MAX for
// this system); false when an array that long cannot be had.
[[nodiscard]] bool ArrayBytes(uint64_t count, uint64_t elementSize, uint64_t addressLimit, size_t& bytes);

// One signed 32-bit value per frame row, 16-byte aligned, zero-filled.
// Without memory for it (or for a height no array can hold) none is kept.
class RowActivityBuffer {
public:
    void Allocate(int32_t rows);
    void Release() { data_.reset(); size_ = 0; }
    void Clear();
    int32_t* data() { return data_.get(); }
    const int32_t* data() const { return data_.get(); }
    int32_t size() const { return size_; }
    bool allocated() const { return data_ != nullptr; }

private:
    struct AlignedDelete {
        void operator()(int32_t* p) const;
    };
    std::unique_ptr<int32_t[], AlignedDelete> data_;
    int32_t size_ = 0;
};

// The frame flow writes the name on a switch; the dialog reads it from its
// own thread, so the text is guarded. Only switches pay for the lock.
class ChannelName {
public:
    void Set(const char* name) {
        LockHold hold(lock_);
        text_ = name ? name : "";
    }
    std::string Get() const {
        LockHold hold(lock_);
        return text_;
    }

private:
    mutable Lock lock_;
    std::string text_ ZEK_GUARDED_BY(lock_);
};

// What the flow asks of the platform.
class FramePorts {
public:
    // Tell an open settings dialog to show the new channel (posted).
    virtual void ChannelSwitched() = 0;
    // The zoom command to the host's main window (sent).
    virtual void SendZoom(int32_t zoom) = 0;

protected:
    ~FramePorts() = default;
};

struct FrameFlowState {
    FrameFormat format;
    int32_t lastZoom = 0;
    int32_t settleCountdown = 0;
    std::atomic<int32_t> metricsEnabled{0};  // written by the dialog's thread
    RowActivityBuffer rowActivity;
    ChannelName channelName;
    MetricsPlotter plotter;
};

// A stream's start and end as the host announces them: the format, the
// plotter's geometry and the row array. Any numbers are taken as they come;
// a frame the flow cannot measure is then simply left alone.
void StartStream(FrameFlowState& state, int32_t width, int32_t height, int32_t pixelFormat);
void StopStream(FrameFlowState& state);

// Runs the flow for a frame whose pixel pointer is not null.
void RunFrameFlow(FrameFlowState& state, SettingsStore& store, FramePorts& ports, uint8_t* pixels,
                  const ChannelInfo& channel);

// The graph: RowActivity[i] / kGraphScale against row i, for rows 0 to
// height / 3, in white.
void DrawMetrics(const FrameFlowState& state, uint8_t* pixels);

}  // namespace zek
