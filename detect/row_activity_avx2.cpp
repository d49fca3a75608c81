// The row measure with AVX2: 32 samples a step. Built with -mavx2 and run
// only when the CPU has it.
#include <immintrin.h>

#include "detect/row_activity_kernels.h"
#include "detect/row_sum_kernel.h"

namespace zek {
namespace {

struct Avx2Ops {
    using T = __m256i;
    using Narrow = Sse2Ops;  // for the last groups of a row
    static constexpr int kLumas = 32;

    static T Zero() { return _mm256_setzero_si256(); }
    static T LumaMask() { return _mm256_set1_epi16(static_cast<short>(0xFF00)); }
    static T Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Store(uint8_t* p, T v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    // Even bytes from p (lumas 0-15 of the step), odd bytes from p + 31,
    // whose odd bytes are lumas 16-31: one blend instead of two masks and a
    // pack. The order is the same for every row, which is all the sums need.
    static T Luma(const uint8_t* p, T oddBytes) { return _mm256_blendv_epi8(Load(p), Load(p + 31), oddBytes); }
    static T Darken(T u) {
        return _mm256_or_si256(u, _mm256_cmpeq_epi8(_mm256_max_epu8(u, _mm256_set1_epi8(kFirstBrightLuma)), u));
    }
    static T SubSat(T a, T b) { return _mm256_subs_epu8(a, b); }
    static T Sad(T v) { return _mm256_sad_epu8(v, Zero()); }
    static T Add64(T a, T b) { return _mm256_add_epi64(a, b); }
    static T CountZeros(T counters, T d) {
        return _mm256_sub_epi8(counters, _mm256_cmpeq_epi8(d, Zero()));
    }
    static uint32_t Total(T v) {
        return Sse2Ops::Total(_mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)));
    }
};

}  // namespace

void MeasureRowsAvx2(int32_t* rowActivity, const uint8_t* frame, const FrameFormat& format) {
    MeasureRows<Avx2Ops>(rowActivity, frame, format);
}

}  // namespace zek
