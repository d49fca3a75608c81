// The row measure against a plain read of the bytes it must read.
#include <benchmark/benchmark.h>
#include <emmintrin.h>

#include <string>
#include <vector>

#include "bench/bench_frames.h"
#include "bench/bench_suite.h"
#include "detect/row_activity.h"
#include "detect/row_activity_kernels.h"

namespace zek::bench {
namespace {

// The fastest plain read: every 16 bytes ORed into one of four
// accumulators, so the loads are the only work and none can be dropped.
uint32_t ReadBytes(const uint8_t* p, size_t bytes) {
    __m128i a = _mm_setzero_si128(), b = a, c = a, d = a;
    size_t i = 0;
    for (; i + 64 <= bytes; i += 64) {
        a = _mm_or_si128(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        b = _mm_or_si128(b, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16)));
        c = _mm_or_si128(c, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 32)));
        d = _mm_or_si128(d, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 48)));
    }
    uint32_t tail = 0;
    for (; i < bytes; ++i) tail |= p[i];
    const __m128i all = _mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(all)) | tail;
}

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
    for (auto _ : state) {
        uint32_t v = ReadBytes(pool.Next(), bytes);
        benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

void RegisterRowActivityBenchmarks(Suite& suite) {
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
