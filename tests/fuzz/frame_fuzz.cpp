// Whatever a host and a user may do to the frame path, decoded from the
// input: streams started with any numbers (the second one without a Stop,
// frames after a Stop), frames of exactly the announced size, channel
// switches, and the dialog's writes. Beyond what the sanitizers catch, each
// frame must show only what the flow may do to it:
//   - a frame the flow does not measure is left untouched and gets no zoom;
//   - a measured frame changes only in rows 0 to 3 (the paint), or, with the
//     graph on, only in rows 0 to height / 3;
//   - a zoom only follows a measured frame.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <vector>

#include "detect/frame_flow.h"
#include "detect/row_activity.h"
#include "settings/settings_store.h"
#include "tests/detect/channel_record.h"

namespace {

using namespace zek;

class CountingPorts final : public FramePorts {
public:
    void ChannelSwitched() override {}
    void SendZoom(int32_t) override { ++zooms; }
    long zooms = 0;
};

struct Input {
    const uint8_t* data;
    size_t size;
    uint8_t Byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    int32_t Word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
        return static_cast<int32_t>(v);
    }
};

// Sizes a broken host record may hold: negative, at the edges of 32 bits,
// and those whose products leave 32 bits.
constexpr int32_t kBroken[] = {0,       1,         3,          4,        7,          -1,
                               -576,    INT32_MIN, INT32_MAX,  1 << 29,  1 << 30,    715827883,
                               0x40000004, 0x7FFFFFF0, 65536, 46341};

// Mostly small sizes, so that frames can be made; now and then a broken one.
int32_t Size(Input& in) {
    const uint8_t b = in.Byte();
    if (b < 160) return b % 100;
    if (b < 240) return kBroken[b % (sizeof kBroken / sizeof kBroken[0])];
    return in.Word();
}

int32_t Format(Input& in) {
    const uint8_t b = in.Byte();
    return b < 240 ? b % 3 : in.Word();
}

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "frame path: %s\n", what);
    std::abort();
}

struct Player {
    FrameFlowState flow;
    SettingsStore store;  // no file: every channel starts from the defaults
    CountingPorts ports;
    uint32_t channel = 17;
    int32_t band = 10;
    uint8_t luma = 100;

    // A frame of exactly the announced size, or none when no host could
    // hand one over (a size below 1, or past a megabyte here).
    bool MakeFrame(std::vector<uint8_t>& frame) const {
        const FrameFormat f = flow.format;
        const int64_t bytesPerPixel = f.pixelFormat == kPixelFormatRgb24 ? 3 : 2;
        if (f.width <= 0 || f.height <= 0 || f.width > (1 << 20) || f.height > (1 << 20)) return false;
        const int64_t bytes = int64_t{f.width} * f.height * bytesPerPixel;
        if (bytes > (1 << 20)) return false;
        frame.assign(static_cast<size_t>(bytes), 128);
        const int64_t rowBytes = int64_t{f.width} * bytesPerPixel;
        for (int32_t y = 0; y < f.height; ++y) {
            const uint8_t value = y < band ? 16 : luma;
            for (int64_t x = 0; x < rowBytes; x += 2) frame[static_cast<size_t>(y * rowBytes + x)] = value;
        }
        return true;
    }

    void Frames(int count) {
        std::vector<uint8_t> frame;
        if (!MakeFrame(frame)) return;
        const int64_t rowBytes = int64_t{flow.format.width} * (flow.format.pixelFormat == kPixelFormatRgb24 ? 3 : 2);
        for (int i = 0; i < count; ++i) {
            const std::vector<uint8_t> before = frame;
            const long zoomsBefore = ports.zooms;
            const auto record = ChannelRecord(channel, channel >> 2, "Fuzz");
            const bool graph = flow.metricsEnabled.load() != 0;
            RunFrameFlow(flow, store, ports, frame.data(), AsChannel(record));

            const FrameFormat f = flow.format;
            const bool measured = f.pixelFormat == kPixelFormatYuy2 && flow.settleCountdown == 0 &&
                                  store.current.ProcEnable.load() != 0 && flow.rowActivity.allocated() &&
                                  flow.rowActivity.size() >= f.height && CanMeasure(f);
            Check(measured || ports.zooms == zoomsBefore, "a zoom followed a frame that was not measured");
            if (!measured) {
                Check(frame == before, "a frame that was not measured changed");
                continue;
            }
            const int64_t lastRow = graph ? (f.height / 3 > 3 ? f.height / 3 : 3) : 3;
            const size_t keptFrom = static_cast<size_t>((lastRow + 1) * rowBytes);
            for (size_t b = keptFrom; b < frame.size(); ++b) Check(frame[b] == before[b], "a row below the graph changed");
            if (!graph) {
                static const uint8_t kPaint[4] = {0x20, 0x80, 0x20, 0x80};
                for (size_t b = 0; b < keptFrom; ++b) Check(frame[b] == kPaint[b % 4], "rows 0-3 not painted");
            }
        }
    }
};

}  // namespace

// A broken height asks for gigabytes of row values. Allocations past 256 MB
// fail here instead (as they do in a 32-bit process), so every run takes the
// path on which Start keeps no array, and no run spends its time zeroing
// memory.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=256"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    Player p;
    while (in.size > 0) {
        switch (in.Byte() % 8) {
            case 0: {
                const int32_t width = Size(in), height = Size(in);
                StartStream(p.flow, width, height, Format(in));
                break;
            }
            case 1: StopStream(p.flow); break;
            case 2: p.Frames(1 + in.Byte() % 40); break;
            case 3: p.channel = in.Byte() % 6; break;
            case 4: {
                const uint8_t b = in.Byte();
                p.store.current.ProcEnable.store(b < 240 ? b & 1 : in.Word());
                break;
            }
            case 5: {
                const uint8_t b = in.Byte();
                p.store.current.OverZoom.store(b < 240 ? b % 10 : in.Word());
                break;
            }
            case 6: p.flow.metricsEnabled.store(in.Byte() & 1); break;
            case 7:
                p.band = in.Byte();
                p.luma = in.Byte();
                break;
        }
    }
    return 0;
}
