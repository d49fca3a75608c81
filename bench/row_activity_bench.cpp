// The row measure against a plain read of the bytes it must read.
#include <benchmark/benchmark.h>
#include <immintrin.h>

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

// The same with 32-byte loads, for CPUs with AVX2: the baseline must be the
// fastest plain read, whichever measure runs.
__attribute__((target("avx2"))) uint32_t ReadBytesAvx2(const uint8_t* p, size_t bytes) {
    __m256i a = _mm256_setzero_si256(), b = a, c = a, d = a;
    size_t i = 0;
    for (; i + 128 <= bytes; i += 128) {
        a = _mm256_or_si256(a, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)));
        b = _mm256_or_si256(b, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32)));
        c = _mm256_or_si256(c, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 64)));
        d = _mm256_or_si256(d, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 96)));
    }
    uint32_t tail = 0;
    for (; i < bytes; ++i) tail |= p[i];
    const __m256i all = _mm256_or_si256(_mm256_or_si256(a, b), _mm256_or_si256(c, d));
    return static_cast<uint32_t>(_mm256_extract_epi32(all, 0) | _mm256_extract_epi32(all, 5)) | tail;
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
    const auto read = CpuHasAvx2() ? ReadBytesAvx2 : ReadBytes;
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
