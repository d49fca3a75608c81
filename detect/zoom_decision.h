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
[[nodiscard]] Peaks FindPeaks(const int32_t* rowActivity, int32_t n);

// row1 * 100 / (height - 2 * row1), truncated, plus the channel's extra zoom.
// Needs height - 2 * row1 > 0, which holds for row1 < height / 3, height > 0.
[[nodiscard]] int32_t EstimateZoom(int32_t row1, int32_t height, int32_t overZoom);

// All three: the estimate moved by kSmallestZoomChange or more, the largest
// peak's row is kSmallestPeakDistance or more from the second's, and the
// largest times kSecondPeakRatio is above the second.
[[nodiscard]] bool ShouldSendZoom(int32_t lastZoom, int32_t zoom, const Peaks& peaks);

}  // namespace zek
