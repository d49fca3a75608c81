// The row measure against a plain read of the bytes it must read.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_frames.h"
#include "bench/bench_suite.h"
#include "bench/plain_read.h"
#include "detect/row_activity.h"
#include "detect/row_activity_kernels.h"

namespace zek::bench {
namespace {

using MeasureFn = void (*)(int32_t*, uint8_t*, const FrameFormat&);

void Sse2Only(int32_t* rows, uint8_t* frame, const FrameFormat& format) {
    MeasureRowsSse2(rows, frame, format);
}

void Measure(benchmark::State& state, FrameSize size, bool cold, MeasureFn measure) {
    FramePool pool(size.width, size.height, cold);
    const FrameFormat format = pool.format();
    std::vector<int32_t> rows(format.height, 0);
    for (auto _ : state) {
        measure(rows.data(), pool.Next(), format);
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pool.MeasuredBytes()));
}

void Read(benchmark::State& state, FrameSize size, bool cold) {
    FramePool pool(size.width, size.height, cold);
    const size_t bytes = pool.MeasuredBytes();
    const auto read = CpuHasAvx2() ? ReadBytesAvx2 : ReadBytesSse2;
    for (auto _ : state) {
        uint32_t v = read(pool.Next(), bytes);
        benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

void RegisterRowActivityBenchmarks(Suite& suite) {
    suite.AddNote(CpuHasAvx2() ? "measure: AVX2 (sse2 measure: the SSE2 one, for comparison); read: 32-byte loads"
                               : "measure: SSE2; read: 16-byte loads");
    suite.AddNote("warm: one frame over and over, in the caches; cold: a new frame each time, from memory");
    for (bool cold : {false, true}) {
        for (const FrameSize& size : kFrameSizes) {
            const std::string tail = std::string(size.name) + (cold ? "/cold" : "/warm");
            benchmark::RegisterBenchmark(("measure/" + tail).c_str(), Measure, size, cold,
                                         &MeasureRowActivity);
            benchmark::RegisterBenchmark(("read/" + tail).c_str(), Read, size, cold);
            suite.AddRatio("measure / read  " + tail, "measure/" + tail, "read/" + tail);
            if (CpuHasAvx2()) {
                // What the AVX2 measure gains over the SSE2 one (without the
                // paint, which both share).
                benchmark::RegisterBenchmark(("measure-sse2/" + tail).c_str(), Measure, size, cold,
                                             &Sse2Only);
                suite.AddRatio("sse2 measure / read  " + tail, "measure-sse2/" + tail, "read/" + tail);
            }
        }
    }
}

}  // namespace zek::bench
