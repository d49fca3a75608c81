// The vector row measure, written once over a small set of vector
// operations and compiled once per instruction set (SSE2, AVX2). Each
// including file gets its own copies (anonymous namespace): the copies are
// built with different instruction sets and must never be merged.
#pragma once
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>

#include "detect/frame_format.h"
#include "detect/row_activity.h"

namespace zek {
namespace {

// Rows per chain. 32-bit x86 has eight vector registers: shorter chains
// keep the sums in them.
#if defined(__x86_64__)
constexpr int kRowChain = 4;
#else
constexpr int kRowChain = 2;
#endif

// Sixteen samples a step, in 128-bit registers.
struct Sse2Ops {
    using T = __m128i;
    using Narrow = Sse2Ops;
    static constexpr int kLumas = 16;

    static T Zero() { return _mm_setzero_si128(); }
    static T LumaMask() { return _mm_set1_epi16(0x00FF); }
    static T Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    // The luma bytes of sixteen pixels (32 frame bytes).
    static T Luma(const uint8_t* p, T mask) {
        return _mm_packus_epi16(_mm_and_si128(Load(p), mask), _mm_and_si128(Load(p + 16), mask));
    }
    // Eight pixels (16 frame bytes); the upper lanes are 0.
    static T LumaHalf(const uint8_t* p, T mask) {
        return _mm_packus_epi16(_mm_and_si128(Load(p), mask), Zero());
    }
    // Lumas that are not dark (34 and up) become 255, so that no lower luma
    // exceeds them.
    static T Darken(T u) {
        return _mm_or_si128(u, _mm_cmpeq_epi8(_mm_max_epu8(u, _mm_set1_epi8(34)), u));
    }
    static T SubSat(T a, T b) { return _mm_subs_epu8(a, b); }
    static T Sad(T v) { return _mm_sad_epu8(v, Zero()); }
    static T Add64(T a, T b) { return _mm_add_epi64(a, b); }
    // Adds 1 to each byte counter whose lane of d is 0.
    static T CountZeros(T counters, T d) { return _mm_sub_epi8(counters, _mm_cmpeq_epi8(d, Zero())); }
    // The sum of the 64-bit lanes, which here always fits in 32 bits.
    static uint32_t Total(T v) {
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_add_epi64(v, _mm_unpackhi_epi64(v, v))));
    }
};

// The sums of one chain of K rows: upper rows r, r + 2, ..., r + 2(K - 1),
// each against the row two below it. Luma rows r + 2, r + 4, ... serve as
// the lower row of one pair and the upper row of the next, so each is
// loaded and unpacked once.
//
// A sample contributes 255 + d when its upper luma is dark (at most 33) and
// d, the lower luma minus the upper, is above 0. Per lane: d is found as
// the saturating difference against the upper luma with non-dark lumas
// raised to 255; the sum of d comes from a sum of absolute differences and
// the lanes with d = 0 are counted in bytes. Then
//     S = sum of d + 255 * (lanes stepped over - lanes with d = 0),
// so lanes that add nothing, padding included, cancel out.
template <class V, int K>
struct RowChain {
    uint32_t sumD[K] = {};
    uint32_t zeros[K] = {};
    uint32_t lanes = 0;

    // Steps of V::kLumas samples over `steps` steps from byte offset `at`.
    void Main(const uint8_t* top, intptr_t pairStride, intptr_t at, int32_t steps) {
        const typename V::T lumaMask = V::LumaMask();
        while (steps > 0) {
            // A byte counter holds at most 255 counts.
            const int32_t chunk = steps < 255 ? steps : 255;
            typename V::T sum[K], zero[K];
            for (int k = 0; k < K; ++k) sum[k] = zero[k] = V::Zero();
            const uint8_t* p = top + at;
            for (int32_t s = 0; s < chunk; ++s, p += 2 * V::kLumas) {
                // The rows the next block of chains reads, fetched into the
                // second-level cache while this one computes: short rows two
                // apart are too many streams for the hardware's own prefetch
                // to follow from memory. A hint only, so addresses past the
                // frame do no harm.
                for (int k = K + 1; k <= 2 * K; ++k) {
                    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + k * pairStride),
                                 _MM_HINT_T1);
                }
                typename V::T upper = V::Darken(V::Luma(p, lumaMask));
                for (int k = 0; k < K; ++k) {
                    const typename V::T lower = V::Luma(p + (k + 1) * pairStride, lumaMask);
                    const typename V::T d = V::SubSat(lower, upper);
                    sum[k] = V::Add64(sum[k], V::Sad(d));
                    zero[k] = V::CountZeros(zero[k], d);
                    if (k + 1 < K) upper = V::Darken(lower);
                }
            }
            for (int k = 0; k < K; ++k) {
                sumD[k] += V::Total(sum[k]);
                zeros[k] += V::Total(V::Sad(zero[k]));
            }
            lanes += static_cast<uint32_t>(chunk) * V::kLumas;
            at += static_cast<intptr_t>(chunk) * 2 * V::kLumas;
            steps -= chunk;
        }
    }

    uint32_t Sum(int k) const {
        // Wraps through unsigned arithmetic to the exact, non-negative sum.
        return sumD[k] + 255u * (lanes - zeros[k]);
    }
};

// Adds the groups of eight columns from `group` on (fewer than one main
// step's worth) with the narrower steps of V::Narrow.
template <class V, int K>
void NarrowTail(RowChain<V, K>& chain, const uint8_t* top, intptr_t pairStride, int32_t group,
                int32_t groups) {
    using N = typename V::Narrow;
    const typename N::T lumaMask = N::LumaMask();
    for (; group < groups; group += N::kLumas / 8) {
        const bool half = group + N::kLumas / 8 > groups;  // one group of eight left
        const uint8_t* p = top + static_cast<intptr_t>(group) * 16;
        typename N::T upper = N::Darken(half ? N::LumaHalf(p, lumaMask) : N::Luma(p, lumaMask));
        for (int k = 0; k < K; ++k) {
            const uint8_t* q = p + (k + 1) * pairStride;
            const typename N::T lower = half ? N::LumaHalf(q, lumaMask) : N::Luma(q, lumaMask);
            const typename N::T d = N::SubSat(lower, upper);
            chain.sumD[k] += N::Total(N::Sad(d));
            chain.zeros[k] += N::Total(N::Sad(N::CountZeros(N::Zero(), d)));
            upper = N::Darken(lower);
        }
        chain.lanes += N::kLumas;
    }
}

template <class V, int K>
void MeasureChain(int32_t* rowActivity, const uint8_t* top, intptr_t pairStride, int32_t groups) {
    RowChain<V, K> chain;
    const int32_t steps = groups / (V::kLumas / 8);
    chain.Main(top, pairStride, 0, steps);
    NarrowTail(chain, top, pairStride, steps * (V::kLumas / 8), groups);
    for (int k = 0; k < K; ++k) HoldRowPeak(rowActivity[2 * k], chain.Sum(k));
}

// The measure of every upper row, without the paint. Rows go in blocks of
// 2K: two interleaved chains of K rows; the rows left over go one by one.
// Loads stay within the whole groups of eight columns of rows 0 to
// height / 2 + 1.
template <class V, int K>
void MeasureRows(int32_t* rowActivity, const uint8_t* frame, const FrameFormat& format) {
    const int32_t rows = format.height / 2;
    const int32_t groups = format.width / 8;
    const intptr_t stride = 2 * static_cast<intptr_t>(format.width);
    int32_t i = 0;
    for (; i + 2 * K <= rows; i += 2 * K) {
        MeasureChain<V, K>(rowActivity + i, frame + i * stride, 2 * stride, groups);
        MeasureChain<V, K>(rowActivity + i + 1, frame + (i + 1) * stride, 2 * stride, groups);
    }
    for (; i < rows; ++i) MeasureChain<V, 1>(rowActivity + i, frame + i * stride, 2 * stride, groups);
}

}  // namespace
}  // namespace zek
