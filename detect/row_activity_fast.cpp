// The row measure with SSE2: sixteen luma samples of an upper row against
// sixteen of the row two below per step. Gives exactly the reference values.
#include "detect/row_activity.h"

#include <emmintrin.h>

#include <cstring>

namespace zek {
namespace {

constexpr int32_t kDecay = 500;

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The luma bytes of sixteen pixels (32 frame bytes), in order.
inline __m128i Luma16(const uint8_t* p, __m128i lowBytes) {
    const __m128i a = _mm_and_si128(Load(p), lowBytes);
    const __m128i b = _mm_and_si128(Load(p + 16), lowBytes);
    return _mm_packus_epi16(a, b);
}

// Eight pixels (16 frame bytes) only; the upper lanes are 0 and add nothing
// (see Step below: a 0 difference counts for neither sum).
inline __m128i Luma8(const uint8_t* p, __m128i lowBytes) {
    return _mm_packus_epi16(_mm_and_si128(Load(p), lowBytes), _mm_setzero_si128());
}

// One step over sixteen sample pairs. A contributing sample adds 255 + d.
// Rather than count the contributors, the accumulator adds the sum of d and
// subtracts 255 for every lane whose d is 0; the caller adds 255 for every
// lane it stepped over, so the lanes that add nothing cancel out.
inline __m128i Step(__m128i acc, __m128i upper, __m128i lower) {
    const __m128i zero = _mm_setzero_si128();
    // Dark: u <= 33, i.e. u saturating-minus 33 is 0.
    const __m128i dark = _mm_cmpeq_epi8(_mm_subs_epu8(upper, _mm_set1_epi8(33)), zero);
    const __m128i d = _mm_and_si128(_mm_subs_epu8(lower, upper), dark);
    acc = _mm_add_epi64(acc, _mm_sad_epu8(d, zero));
    return _mm_sub_epi64(acc, _mm_sad_epu8(_mm_cmpeq_epi8(d, zero), zero));
}

// The sum S of one row pair over `groups` groups of eight columns. Reads
// exactly 16 * groups bytes of each row, never more.
uint32_t RowSum(const uint8_t* upper, const uint8_t* lower, int32_t groups) {
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    __m128i acc = _mm_setzero_si128();
    int32_t g = 0;
    for (; g + 2 <= groups; g += 2) {
        acc = Step(acc, Luma16(upper + 16 * g, lowBytes), Luma16(lower + 16 * g, lowBytes));
    }
    uint32_t lanes = static_cast<uint32_t>(g) * 8;
    if (g < groups) {
        acc = Step(acc, Luma8(upper + 16 * g, lowBytes), Luma8(lower + 16 * g, lowBytes));
        lanes += 16;
    }
    acc = _mm_add_epi64(acc, _mm_unpackhi_epi64(acc, acc));
    // Wraps through unsigned arithmetic to the exact, non-negative sum.
    return static_cast<uint32_t>(_mm_cvtsi128_si32(acc)) + 255u * lanes;
}

inline void HoldPeak(int32_t& entry, int32_t value) {
    int32_t held = entry - kDecay;
    if (held < 0) held = 0;
    entry = value > held ? value : held;
}

void PaintTopRows(uint8_t* frame, int32_t width) {
    const size_t bytes = static_cast<size_t>(width) * 8;
    const __m128i pattern = _mm_set1_epi32(static_cast<int>(0x80208020u));
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + i), pattern);
    const uint8_t tail[4] = {0x20, 0x80, 0x20, 0x80};
    for (; i < bytes; i += 4) std::memcpy(frame + i, tail, 4);
}

}  // namespace

void MeasureRowActivity(int32_t* rowActivity, uint8_t* frame, const FrameFormat& format) {
    const int32_t width = format.width;
    PaintTopRows(frame, width);
    const int32_t rows = format.height / 2;
    const int32_t groups = width / 8;
    const intptr_t stride = 2 * static_cast<intptr_t>(width);
    for (int32_t i = 0; i < rows; ++i) {
        const uint8_t* upper = frame + i * stride;
        const uint32_t sum = RowSum(upper, upper + 2 * stride, groups);
        HoldPeak(rowActivity[i], static_cast<int32_t>(sum >> 1));
    }
}

}  // namespace zek
