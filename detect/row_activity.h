// The per-row measure of a YUY2 frame: paints rows 0-3 dark grey, then gives
// each row of the upper half a value that grows with dark samples whose
// sample two rows below is brighter, held with a decay of 500 per frame.
#pragma once
#include <cstdint>

#include "detect/frame_format.h"

namespace zek {

// Smallest frame the measure is defined for: the paint covers four rows and
// the groups of eight columns need one whole group.
inline bool CanMeasure(const FrameFormat& f) { return f.width >= 8 && f.height >= 4; }

// The reference: plain scalar code that defines every value.
void MeasureRowActivityScalar(int32_t* rowActivity, uint8_t* frame, const FrameFormat& format);

// The one the frame flow calls; bit-identical to the scalar version.
void MeasureRowActivity(int32_t* rowActivity, uint8_t* frame, const FrameFormat& format);

}  // namespace zek
