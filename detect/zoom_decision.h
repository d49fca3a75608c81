// From the row values to a zoom request: the peak search over the top third,
// the zoom estimate and the three conditions for sending it.
#pragma once
#include <cstdint>

namespace zek {

struct Peaks {
    int32_t largest = 0;
    int32_t row1 = 0;
    int32_t second = 0;
    int32_t row2 = 0;
};

// A peak is a rise followed by a fall within rows 0..n-1, at the last row
// before the fall. A new largest drops the former one instead of demoting it.
Peaks FindPeaks(const int32_t* rowActivity, int32_t n);

// row1 * 100 / (height - 2 * row1), truncated, plus the channel's extra zoom.
// Needs height - 2 * row1 > 0, which holds for row1 < height / 3, height > 0.
int32_t EstimateZoom(int32_t row1, int32_t height, int32_t overZoom);

// A change of 2 points or more, a peak row more than 5 rows from the second,
// and a largest peak clearly above the second (0.7 as a double constant).
bool ShouldSendZoom(int32_t lastZoom, int32_t zoom, const Peaks& peaks);

}  // namespace zek
