#include "detect/zoom_decision.h"

#include <cstdlib>

#include "detect/detect_options.h"

namespace zek {

Peaks FindPeaks(const int32_t* rowActivity, int32_t n) {
    Peaks peaks;
    int32_t previous = 0;
    int32_t previousRow = 0;
    bool rising = false;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t v = rowActivity[i];
        if (v > previous) {
            rising = true;
        } else if (v < previous && rising) {
            rising = false;
            if (previous > peaks.largest) {
                peaks.largest = previous;
                peaks.row1 = previousRow;
            } else if (previous > peaks.second) {
                peaks.second = previous;
                peaks.row2 = previousRow;
            }
        }
        previous = v;
        previousRow = i;
    }
    return peaks;
}

int32_t EstimateZoom(int32_t row1, int32_t height, int32_t overZoom) {
    // In 64 bits: a host may announce any height, and row1 * 100 leaves 32
    // bits from some 21 million rows on. The quotient stays below 100 while
    // row1 < height / 3. The extra zoom comes from the settings file and may
    // be anything; add it with 32-bit wrap-around rather than overflow.
    const int64_t matte = int64_t{row1} * 100 / (int64_t{height} - 2 * int64_t{row1});
    return static_cast<int32_t>(static_cast<uint32_t>(matte) + static_cast<uint32_t>(overZoom));
}

bool ShouldSendZoom(int32_t lastZoom, int32_t zoom, const Peaks& peaks) {
    const int64_t change = static_cast<int64_t>(lastZoom) - zoom;
    const bool zoomMoved = std::llabs(change) >= kSmallestZoomChange;
    const bool peaksApart = std::abs(peaks.row2 - peaks.row1) >= kSmallestPeakDistance;
    // Taken in double precision, the ratio's own; strictly above, so two
    // equal peaks never pass.
    const bool largestClear = peaks.largest * kSecondPeakRatio > peaks.second;
    return zoomMoved && peaksApart && largestClear;
}

}  // namespace zek
