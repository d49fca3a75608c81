// The benchmark of the Windows builds: the module's own kernels, built with
// the module's compiler and flags, the row measure of each path against a
// plain read of the same bytes, and the whole per-frame flow against the
// measure. Each path is chosen here explicitly; the module picks its own.
//
//   zek_module_bench [--quick] [--repetitions N] [--min-time SECONDS]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_frames.h"
#include "bench/interleaved_runs.h"
#include "bench/plain_read.h"
#include "detect/frame_flow.h"
#include "detect/row_activity.h"
#include "detect/row_activity_kernels.h"
#include "settings/settings_store.h"
#include "tests/detect/channel_record.h"

namespace zek::bench {
namespace {

using MeasureRowsFn = void (*)(int32_t*, const uint8_t*, const FrameFormat&);
using ReadFn = uint32_t (*)(const uint8_t*, size_t);

struct Path {
    const char* name;
    MeasureRowsFn measure;
    ReadFn read;
};

volatile uint32_t g_sink;

// A row measure of a frame from memory may take this much longer than a
// plain read of the same bytes.
constexpr double kColdBar = 1.3;

// One pool of frames per size and temperature, shared by the cases that
// read it, so that a 32-bit process holds three cold pools, not nine.
class Pools {
public:
    FramePool& Get(const FrameSize& size, bool cold) {
        std::unique_ptr<FramePool>& pool = pools_[std::string(size.name) + (cold ? "/cold" : "/warm")];
        if (!pool) pool = std::make_unique<FramePool>(size.width, size.height, cold);
        return *pool;
    }

private:
    std::map<std::string, std::unique_ptr<FramePool>> pools_;
};

// The measure as MeasureRowActivity makes it, the paint included, on the
// path given.
void AddMeasures(InterleavedRuns& runs, Pools& pools, const Path& path) {
    for (bool cold : {false, true}) {
        for (const FrameSize& size : kFrameSizes) {
            FramePool* pool = &pools.Get(size, cold);
            const std::string tail = std::string(size.name) + (cold ? "/cold" : "/warm");
            const std::string measure = std::string(path.name) + " measure/" + tail;
            const std::string read = std::string(path.name) + " read/" + tail;
            auto rows = std::make_shared<std::vector<int32_t>>(size.height, 0);
            runs.Add(measure, [pool, rows, m = path.measure] {
                const FrameFormat format = pool->format();
                uint8_t* frame = pool->Next();
                PaintTopRows(frame, format.width);
                m(rows->data(), frame, format);
                g_sink = static_cast<uint32_t>((*rows)[0]);
            });
            runs.Add(read, [pool, r = path.read] { g_sink = r(pool->Next(), pool->MeasuredBytes()); });
            runs.AddRatio(std::string(path.name) + " measure / read  " + tail, measure, read);
        }
    }
}

class NoPorts : public FramePorts {
public:
    void ChannelSwitched() override {}
    void SendZoom(int32_t) override {}
};

// The per-frame flow on a settled channel with processing on, every frame
// measured (and drawn into, with metrics), none switching.
struct Flow {
    FrameFlowState state;
    SettingsStore store;
    NoPorts ports;
    std::vector<uint8_t> record = ChannelRecord(17, 0, "Bench");
};

bool AddFlow(InterleavedRuns& runs, Pools& pools, bool metrics, const char* name) {
    FramePool* pool = &pools.Get(kFrameSizes[1], false);
    auto flow = std::make_shared<Flow>();
    flow->state.format = pool->format();
    flow->state.rowActivity.Allocate(flow->state.format.height);
    flow->state.plotter.SetGeometry(flow->state.format.width, flow->state.format.height,
                                    flow->state.format.pixelFormat);
    flow->state.metricsEnabled = metrics ? 1 : 0;
    const ChannelInfo& channel = AsChannel(flow->record);
    RunFrameFlow(flow->state, flow->store, flow->ports, pool->Next(), channel);
    flow->store.current.ProcEnable.store(1, std::memory_order_relaxed);
    for (int i = 1; i < kSettleFrames; ++i) RunFrameFlow(flow->state, flow->store, flow->ports, pool->Next(), channel);
    if (flow->state.settleCountdown != 0) {
        std::printf("error: the channel did not settle\n");
        return false;
    }
    runs.Add(name, [pool, flow] {
        RunFrameFlow(flow->state, flow->store, flow->ports, pool->Next(), AsChannel(flow->record));
    });
    return true;
}

}  // namespace
}  // namespace zek::bench

int main(int argc, char** argv) {
    using namespace zek::bench;
    int repetitions = 9;
    double minSeconds = 0.2;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            repetitions = 1;
            minSeconds = 0.001;
        } else if (std::strcmp(argv[i], "--repetitions") == 0 && i + 1 < argc) {
            repetitions = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--min-time") == 0 && i + 1 < argc) {
            minSeconds = std::atof(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--repetitions N] [--min-time SECONDS]\n", argv[0]);
            return 2;
        }
    }
    InterleavedRuns runs;
    Pools pools;
    const bool avx2 = zek::CpuHasAvx2();
    AddMeasures(runs, pools, {"sse2", zek::MeasureRowsSse2, ReadBytesSse2});
    if (avx2) AddMeasures(runs, pools, {"avx2", zek::MeasureRowsAvx2, ReadBytesAvx2});
    const char* picked = avx2 ? "avx2 measure/1920x1080/warm" : "sse2 measure/1920x1080/warm";
    if (!AddFlow(runs, pools, false, "flow/1920x1080/warm") || !AddFlow(runs, pools, true, "flow+metrics/1920x1080/warm"))
        return 1;
    runs.AddRatio("flow / measure  1920x1080/warm", "flow/1920x1080/warm", picked);
    runs.AddRatio("flow+metrics / measure  1920x1080/warm", "flow+metrics/1920x1080/warm", picked);
    runs.AddNote(std::string("paths: each measure (its paint included) against a read with loads of its own width; "
                             "the module takes ") + (avx2 ? "avx2" : "sse2") + " here" +
                 (avx2 ? "" : " (no AVX2 in this CPU)"));
    runs.AddNote("warm: one frame over and over, in the caches; cold: a new frame each time, from memory");
    runs.Run(repetitions, minSeconds);
    runs.PrintSummary(sizeof(void*) == 4 ? "the 32-bit module's kernels (i686)" : "the 64-bit module's kernels (x86_64)");
    // The bar a frame from memory is held to, per path: its worst size.
    for (const char* path : {"sse2", "avx2"}) {
        double worst = 0;
        const char* at = "";
        for (const FrameSize& size : kFrameSizes) {
            const std::string tail = std::string(size.name) + "/cold";
            const double read = runs.Median(std::string(path) + " read/" + tail);
            const double ratio = read > 0 ? runs.Median(std::string(path) + " measure/" + tail) / read : 0;
            if (ratio > worst) worst = ratio, at = size.name;
        }
        if (worst > 0)
            std::printf("bar: %s measure at most %.1f x a plain read, cold, every size: %s (worst %.3f, %s)\n", path,
                        kColdBar, worst <= kColdBar ? "met" : "MISSED", worst, at);
    }
    return 0;
}
