// The per-row measure of a YUY2 frame: paints rows 0-3 dark grey, then gives
// each row of the upper half a value that grows with dark samples whose
// sample two rows below is brighter, held with a decay per measured frame.
#pragma once
#include <cstddef>
#include <cstdint>

#include "detect/detect_options.h"
#include "detect/frame_format.h"

namespace zek {

// Smallest frame the measure is defined for: the paint covers four rows and
// the groups of eight columns need one whole group. A frame whose bytes
// would not fit the address space cannot exist, so a host announcing one has
// sent a broken record: it is not measured, and no offset into it can wrap.
[[nodiscard]] inline bool CanMeasure(const FrameFormat& f) {
    return f.width >= 8 && f.height >= 4 &&
           uint64_t(f.width) * 2 * uint64_t(f.height) <= uint64_t(PTRDIFF_MAX);
}

// Peak hold of one row: the entry decays by kDecayPerFrame a measured frame,
// never below 0, and the row's new value (its sum of contributions halved)
// replaces it when larger. Internal linkage: the vector measures include it
// in files built for other instruction sets, and no copy may be shared.
static inline void HoldRowPeak(int32_t& entry, uint32_t sum) {
    const int32_t value = static_cast<int32_t>(sum >> 1);
    int32_t held = entry - kDecayPerFrame;
    if (held < 0) held = 0;
    entry = value > held ? value : held;
}

// The reference: plain scalar code that defines every value.
void MeasureRowActivityScalar(int32_t* rowActivity, uint8_t* frame, const FrameFormat& format);

// The one the frame flow calls; bit-identical to the scalar version.
void MeasureRowActivity(int32_t* rowActivity, uint8_t* frame, const FrameFormat& format);

}  // namespace zek
