// One whole pass of the per-frame flow on a settled channel, against the
// measure alone, and the channel check that every frame makes.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_frames.h"
#include "bench/bench_suite.h"
#include "detect/frame_flow.h"
#include "detect/row_activity.h"
#include "settings/settings_store.h"
#include "tests/detect/channel_record.h"

namespace zek::bench {
namespace {

class NoPorts : public FramePorts {
public:
    void ChannelSwitched() override {}
    void SendZoom(int32_t) override {}
};

void Flow(benchmark::State& state, bool metrics) {
    FramePool pool(1920, 1080, false);
    FrameFlowState flow;
    flow.format = pool.format();
    flow.rowActivity.Allocate(flow.format.height);
    flow.plotter.SetGeometry(flow.format.width, flow.format.height, flow.format.pixelFormat);
    flow.metricsEnabled = metrics ? 1 : 0;
    SettingsStore store;
    NoPorts ports;
    const std::vector<uint8_t> record = ChannelRecord(17, 0, "Bench");
    const ChannelInfo& channel = AsChannel(record);
    // Switch to the channel, switch processing on as the dialog would, and
    // let it settle, so that every timed frame is measured and none switches.
    RunFrameFlow(flow, store, ports, pool.Next(), channel);
    store.current.ProcEnable.store(1, std::memory_order_relaxed);
    for (int i = 1; i < kSettleFrames; ++i) RunFrameFlow(flow, store, ports, pool.Next(), channel);
    if (flow.settleCountdown != 0 || store.current.ProcEnable.load(std::memory_order_relaxed) == 0) {
        state.SkipWithError("the channel did not settle");
        return;
    }
    for (auto _ : state) {
        RunFrameFlow(flow, store, ports, pool.Next(), channel);
        benchmark::ClobberMemory();
    }
}

void SameChannel(benchmark::State& state) {
    SettingsStore store;
    store.SelectChannel(17, 0);
    for (auto _ : state) {
        int changed = store.SelectChannel(17, 0);
        benchmark::DoNotOptimize(changed);
    }
}

}  // namespace

void RegisterFrameFlowBenchmarks(Suite& suite) {
    benchmark::RegisterBenchmark("flow/1920x1080/warm", Flow, false);
    benchmark::RegisterBenchmark("flow+metrics/1920x1080/warm", Flow, true);
    benchmark::RegisterBenchmark("SelectChannel/same", SameChannel);
    suite.AddRatio("flow / measure  1920x1080/warm", "flow/1920x1080/warm", "measure/1920x1080/warm");
    suite.AddRatio("flow+metrics / measure  1920x1080/warm", "flow+metrics/1920x1080/warm",
                   "measure/1920x1080/warm");
    suite.AddTime("SelectChannel, same channel (ns)", "SelectChannel/same");
}

}  // namespace zek::bench
