// The vector measures behind MeasureRowActivity, one per instruction set.
// They measure without painting; MeasureRowActivity paints first, then runs
// the widest one the CPU has.
#pragma once
#include <cstdint>

#include "detect/frame_format.h"

namespace zek {

// The paint of rows 0 to 3 that MeasureRowActivity makes before measuring.
void PaintTopRows(uint8_t* frame, int32_t width);

void MeasureRowsSse2(int32_t* rowActivity, const uint8_t* frame, const FrameFormat& format);
void MeasureRowsAvx2(int32_t* rowActivity, const uint8_t* frame, const FrameFormat& format);

// AVX2 in the CPU and its registers saved by the operating system.
[[nodiscard]] bool CpuHasAvx2();

}  // namespace zek
