// The shipped module timed as the viewer calls it: each Process call on a
// frame from memory, against a plain read of the bytes the measure reads,
// in this same process, with the benchmarks' own statistics.
//
//   bench ROUNDS   after start, on a YUY2 stream of the host's --width and
//                  --height with processing on for the channel played
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/interleaved_runs.h"
#include "bench/plain_read.h"
#include "host/cpu_features.h"
#include "host/entry_calls.h"
#include "host/frame_source.h"
#include "host/host_commands.h"

namespace zek_host {
namespace {

// Enough frames that each has left the caches when it comes round again.
constexpr size_t kPoolBytes = size_t{128} << 20;
// Past the plug-in's settle count after a switch, and past the one zoom
// command the picture asks for: from then on every call measures and none
// sends.
constexpr int kWarmUpFrames = 60;

struct Pool {
    std::vector<std::vector<uint8_t>> frames;
    size_t next = 0;
    std::vector<uint8_t> record;
    uint8_t* Next() {
        uint8_t* f = frames[next].data();
        next = (next + 1) % frames.size();
        return f;
    }
};

volatile uint32_t g_sink;

bool CmdBench(HostContext& host, const std::vector<std::string>& args) {
    if (!host.frames || !host.plugin || host.pixelFormat != 0) return false;
    const int rounds = args.empty() ? 9 : std::atoi(args[0].c_str());
    auto pool = std::make_shared<Pool>();
    std::vector<uint8_t> first;
    if (!host.frames->Next(first)) return false;
    const size_t count = kPoolBytes / first.size() + 1;
    pool->frames.assign(count, first);
    pool->record = ChannelRecord(host);
    const auto process = [pool, plugin = host.plugin] {
        FrameInfo frame = {};
        frame.pixels = pool->Next();
        frame.channel = reinterpret_cast<ChannelInfo*>(pool->record.data());
        CallEntry(plugin->process, &frame);
    };
    for (int i = 0; i < kWarmUpFrames; ++i) {
        process();
        PumpMessages(0);
    }
    const bool avx2 = CpuHasAvx2();
    const size_t bytes = zek::bench::MeasuredBytes(host.width, host.height);
    const auto read = avx2 ? zek::bench::ReadBytesAvx2 : zek::bench::ReadBytesSse2;
    zek::bench::InterleavedRuns runs;
    runs.Add("process", process);
    runs.Add("read", [pool, bytes, read] { g_sink = read(pool->Next(), bytes); });
    runs.Run(rounds, 0.2);
    std::printf("bench width=%d height=%d path=%s frames=%zu rounds=%d process_ns=%.0f read_ns=%.0f ratio=%.3f\n",
                static_cast<int>(host.width), static_cast<int>(host.height), avx2 ? "avx2" : "sse2", count, rounds,
                runs.Median("process"), runs.Median("read"), runs.Median("process") / runs.Median("read"));
    return true;
}

}  // namespace

void RegisterBenchCommands() { RegisterCommand("bench", CmdBench); }

}  // namespace zek_host
