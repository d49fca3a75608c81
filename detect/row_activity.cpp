#include "detect/row_activity.h"

#include <cstring>

namespace zek {
namespace {

// Rows 0-3 become Y 32, U 128, Y 32, V 128: the 32-bit word 0x80208020.
void PaintTopRows(uint8_t* frame, int32_t width) {
    const uint8_t pattern[4] = {0x20, 0x80, 0x20, 0x80};
    const intptr_t words = 2 * intptr_t{width};
    for (intptr_t i = 0; i < words; ++i) std::memcpy(frame + 4 * i, pattern, 4);
}

}  // namespace

void MeasureRowActivityScalar(int32_t* rowActivity, uint8_t* frame, const FrameFormat& format) {
    const int32_t width = format.width;
    PaintTopRows(frame, width);
    const int32_t rows = format.height / 2;
    const int32_t columns = (width / 8) * 8;
    const intptr_t stride = 2 * intptr_t{width};
    for (int32_t i = 0; i < rows; ++i) {
        const uint8_t* upper = frame + i * stride;
        const uint8_t* lower = upper + 2 * stride;
        uint32_t sum = 0;
        for (int32_t x = 0; x < columns; ++x) {
            const unsigned u = upper[2 * intptr_t{x}];
            const unsigned l = lower[2 * intptr_t{x}];
            const bool dark = u <= static_cast<unsigned>(kDarkLimit);
            if (dark && l > u) sum += static_cast<unsigned>(kStepWeight) + (l - u);
        }
        HoldRowPeak(rowActivity[i], sum);
    }
}

}  // namespace zek
