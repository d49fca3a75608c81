// MeasureRowActivity: the paint, then the vector measure the CPU supports
// best. Gives exactly the reference values.
#include <cpuid.h>
#include <emmintrin.h>

#include <atomic>
#include <cstring>

#include "detect/row_activity.h"
#include "detect/row_activity_kernels.h"
#include "detect/row_sum_kernel.h"

namespace zek {
namespace {

using MeasureRowsFn = void (*)(int32_t*, const uint8_t*, const FrameFormat&);

MeasureRowsFn PickMeasure() { return CpuHasAvx2() ? MeasureRowsAvx2 : MeasureRowsSse2; }

}  // namespace

// Rows 0 to 3 become Y 32, U 128, Y 32, V 128: the 32-bit word 0x80208020.
void PaintTopRows(uint8_t* frame, int32_t width) {
    const size_t bytes = static_cast<size_t>(width) * 8;
    const __m128i pattern = _mm_set1_epi32(static_cast<int>(0x80208020u));
    size_t i = 0;
    for (; i + 16 <= bytes; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(frame + i), pattern);
    const uint8_t tail[4] = {0x20, 0x80, 0x20, 0x80};
    for (; i < bytes; i += 4) std::memcpy(frame + i, tail, 4);
}

bool CpuHasAvx2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const unsigned osxsave = 1u << 27, avx = 1u << 28;
    if ((c & osxsave) == 0 || (c & avx) == 0) return false;
    // The operating system must save the SSE and AVX register state.
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    if ((lo & 6) != 6) return false;
    if (__get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(7, 0, a, b, c, d);
    return (b & (1u << 5)) != 0;
}

void MeasureRowsSse2(int32_t* rowActivity, const uint8_t* frame, const FrameFormat& format) {
    MeasureRows<Sse2Ops>(rowActivity, frame, format);
}

void MeasureRowActivity(int32_t* rowActivity, uint8_t* frame, const FrameFormat& format) {
    // Chosen at the first frame. Two threads that both find it unset pick the
    // same; an atomic, not a function's static with its first-use guard,
    // which would bring the compiler runtime's condition variables into the
    // module (Windows XP has none).
    static std::atomic<MeasureRowsFn> chosen{nullptr};
    MeasureRowsFn measure = chosen.load(std::memory_order_relaxed);
    if (!measure) {
        measure = PickMeasure();
        chosen.store(measure, std::memory_order_relaxed);
    }
    PaintTopRows(frame, format.width);
    measure(rowActivity, frame, format);
}

}  // namespace zek
