// The vector row measure, written once over a small set of vector
// operations and compiled once per instruction set (SSE2, AVX2). Each
// including file gets its own copies (anonymous namespace): the copies are
// built with different instruction sets and must never be merged.
#pragma once
#include <emmintrin.h>

#include <cstdint>
#include <vector>

#include "detect/frame_format.h"
#include "detect/row_activity.h"

namespace zek {
namespace {

// The lowest luma that is not dark, as the byte the vector compares take.
// Raising every such luma to 255 leaves no brighter one below it, which
// needs a dark limit below 255.
static_assert(kDarkLimit >= 0 && kDarkLimit < 255, "the lowest luma that is not dark is a byte");
constexpr char kFirstBrightLuma = static_cast<char>(kDarkLimit + 1);

// Sixteen samples a step, in 128-bit registers.
struct Sse2Ops {
    using T = __m128i;
    using Narrow = Sse2Ops;
    static constexpr int kLumas = 16;

    static T Zero() { return _mm_setzero_si128(); }
    static T LumaMask() { return _mm_set1_epi16(0x00FF); }
    static T Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(uint8_t* p, T v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    // The luma bytes of sixteen pixels (32 frame bytes).
    static T Luma(const uint8_t* p, T mask) {
        return _mm_packus_epi16(_mm_and_si128(Load(p), mask), _mm_and_si128(Load(p + 16), mask));
    }
    // Eight pixels (16 frame bytes); the upper lanes are 0.
    static T LumaHalf(const uint8_t* p, T mask) {
        return _mm_packus_epi16(_mm_and_si128(Load(p), mask), Zero());
    }
    // Lumas that are not dark (kFirstBrightLuma and up) become 255, so that
    // no lower luma exceeds them.
    static T Darken(T u) {
        return _mm_or_si128(u, _mm_cmpeq_epi8(_mm_max_epu8(u, _mm_set1_epi8(kFirstBrightLuma)), u));
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

// The rows are read once each, top to bottom, as they lie in memory: the
// hardware prefetch follows one stream from memory far better than the
// several rows two apart that a pair needs at once. Each row's darkened
// lumas are kept (in the first-level cache) until the row two below pairs
// with them.
//
// A sample contributes kStepWeight + d when its upper luma is dark (at most
// kDarkLimit) and d, the lower luma minus the upper, is above 0. Per lane:
// d is found as the saturating difference against the upper luma with
// non-dark lumas raised to 255; the sum of d comes from a sum of absolute
// differences and the lanes with d = 0 are counted in bytes. Then
//     S = sum of d + kStepWeight * (lanes stepped over - lanes with d = 0),
// so lanes that add nothing, padding included, cancel out.

// Bytes kept per row: its lumas of whole groups of eight columns, and room
// for the 16 bytes that the last single group stores.
inline intptr_t KeptBytes(int32_t groups) { return static_cast<intptr_t>(groups) * 8 + 16; }

// How far ahead of the loads the prefetch runs: 64 lines, as many as the
// AVX2 measure works through in the time one line takes to arrive from
// memory, so that a frame streams in while the measure works on what has
// arrived. Without it a frame from memory took the measure about twice as
// long as a plain read of the same bytes; 32 lines were enough for the
// SSE2 measure, not for the AVX2 one.
constexpr intptr_t kPrefetchAhead = 4096;
// The frame's cache line, which the prefetch fetches whole.
constexpr intptr_t kLineBytes = 64;

// One step: the lumas at p, as the lower row, paired with those kept at k
// from the row two above (when kPair), into the sum of d and the byte
// counters of lanes with d = 0; then its own darkened lumas kept at k.
template <class V, bool kPair>
inline void PassStep(const uint8_t* p, uint8_t* k, typename V::T lumaMask, typename V::T& sum,
                     typename V::T& zero) {
    const typename V::T lower = V::Luma(p, lumaMask);
    if (kPair) {
        const typename V::T d = V::SubSat(lower, V::Load(k));
        sum = V::Add64(sum, V::Sad(d));
        zero = V::CountZeros(zero, d);
    }
    V::Store(k, V::Darken(lower));
}

// One row: pairs its lumas, as the lower row, with the lumas `kept` of the
// row two above (when kPair) and returns the pair's sum S; then keeps its
// own darkened lumas in their place for the row two below. Walked by
// pointers, not indices: a 32-bit build has seven registers for addresses
// and counts, and indices scaled twice each step spilled them to the stack.
template <class V, bool kPair>
uint32_t PassRow(const uint8_t* row, uint8_t* kept, int32_t groups) {
    using T = typename V::T;
    constexpr intptr_t kStepBytes = 2 * V::kLumas;  // frame bytes a step reads
    static_assert(kLineBytes % kStepBytes == 0, "a step reads within one cache line");
    const T lumaMask = V::LumaMask();
    const int32_t steps = groups / (V::kLumas / 8);
    uint32_t sumD = 0, zeros = 0;
    const uint8_t* p = row;
    uint8_t* k = kept;
    for (int32_t left = steps; left > 0;) {
        // A byte counter holds at most 255 counts.
        const int32_t chunk = left > 255 ? 255 : left;
        left -= chunk;
        const uint8_t* const end = p + static_cast<intptr_t>(chunk) * kStepBytes;
        T sum = V::Zero(), zero = V::Zero();
        while (end - p >= kLineBytes) {
            // The rows lie one after the other: a line a few rows' worth
            // ahead is on its way by the time the measure gets to it. (An
            // address, not a pointer: near the frame's end it lies past it,
            // which a prefetch may touch and pointer arithmetic may not.)
            _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + kPrefetchAhead), _MM_HINT_T0);
            for (intptr_t i = 0; i < kLineBytes / kStepBytes; ++i, p += kStepBytes, k += V::kLumas)
                PassStep<V, kPair>(p, k, lumaMask, sum, zero);
        }
        for (; p < end; p += kStepBytes, k += V::kLumas) PassStep<V, kPair>(p, k, lumaMask, sum, zero);
        if (kPair) {
            sumD += V::Total(sum);
            zeros += V::Total(V::Sad(zero));
        }
    }
    uint32_t lanes = static_cast<uint32_t>(steps) * V::kLumas;
    // The groups left over (fewer than one step's worth), in narrower steps.
    using N = typename V::Narrow;
    const typename N::T narrowMask = N::LumaMask();
    for (int32_t group = steps * (V::kLumas / 8); group < groups; group += N::kLumas / 8) {
        const bool half = group + N::kLumas / 8 > groups;  // one group of eight left
        const uint8_t* p = row + static_cast<intptr_t>(group) * 16;
        uint8_t* k = kept + static_cast<intptr_t>(group) * 8;
        const typename N::T lower = half ? N::LumaHalf(p, narrowMask) : N::Luma(p, narrowMask);
        if (kPair) {
            const typename N::T d = N::SubSat(lower, N::Load(k));
            sumD += N::Total(N::Sad(d));
            zeros += N::Total(N::Sad(N::CountZeros(N::Zero(), d)));
        }
        N::Store(k, N::Darken(lower));
        lanes += N::kLumas;
    }
    // Wraps through unsigned arithmetic to the exact, non-negative sum.
    return sumD + static_cast<uint32_t>(kStepWeight) * (lanes - zeros);
}

template <class V>
void MeasureRowsWith(int32_t* rowActivity, const uint8_t* frame, const FrameFormat& format, uint8_t* kept) {
    const int32_t rows = format.height / 2;
    const int32_t groups = format.width / 8;
    const intptr_t stride = 2 * static_cast<intptr_t>(format.width);
    const intptr_t keptBytes = KeptBytes(groups);
    PassRow<V, false>(frame, kept, groups);
    PassRow<V, false>(frame + stride, kept + keptBytes, groups);
    for (int32_t r = 2; r < rows + 2; ++r) {
        const uint32_t sum = PassRow<V, true>(frame + r * stride, kept + (r & 1) * keptBytes, groups);
        HoldRowPeak(rowActivity[r - 2], sum);
    }
}

// The measure of every upper row, without the paint. Loads stay within the
// whole groups of eight columns of rows 0 to height / 2 + 1.
template <class V>
void MeasureRows(int32_t* rowActivity, const uint8_t* frame, const FrameFormat& format) {
    // Two kept rows fit on the stack up to 4096 columns (UHD and below).
    constexpr intptr_t kStackBytes = 2 * (4096 + 16) + 64;
    const intptr_t need = 2 * KeptBytes(format.width / 8);
    uint8_t local[kStackBytes];
    std::vector<uint8_t> wide;
    uint8_t* kept = local;
    if (need + 64 > kStackBytes) {
        wide.resize(static_cast<size_t>(need) + 64);
        kept = wide.data();
    }
    // Start the rows on a cache line. The empty asm hides that alignment
    // from the compiler, so that it keeps unaligned moves: Win64 GCC does
    // not align the stack for 32-byte values.
    kept += (64 - reinterpret_cast<uintptr_t>(kept) % 64) % 64;
    __asm__("" : "+r"(kept));
    MeasureRowsWith<V>(rowActivity, frame, format, kept);
}

}  // namespace
}  // namespace zek
