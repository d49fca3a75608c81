// The baseline of the row measure's figures: the fastest plain read of the
// bytes the measure must read, every 16 (or 32) bytes ORed into one of four
// accumulators, so that the loads are the only work and none can be
// dropped. Header-only: the benchmarks and the reference host's timing of
// the shipped module read the same way.
#pragma once
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace zek::bench {

// 16-byte loads: what an SSE2 CPU reads fastest.
__attribute__((target("sse2"))) inline uint32_t ReadBytesSse2(const uint8_t* p, size_t bytes) {
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

// 32-byte loads, for CPUs with AVX2.
__attribute__((target("avx2"))) inline uint32_t ReadBytesAvx2(const uint8_t* p, size_t bytes) {
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

// Bytes the measure reads of a frame: rows 0 to height / 2 + 1.
inline size_t MeasuredBytes(int32_t width, int32_t height) {
    return static_cast<size_t>(height / 2 + 2) * static_cast<size_t>(width) * 2;
}

}  // namespace zek::bench
