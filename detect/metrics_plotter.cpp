#include "detect/metrics_plotter.h"

namespace zek {

void MetricsPlotter::SetGeometry(int32_t width, int32_t height, int32_t pixelFormat) {
    geometry_.width = width;
    geometry_.height = height;
    geometry_.pixelFormat = pixelFormat;
    if (pixelFormat == 0) {
        geometry_.bytesPerPixel = 2;
        geometry_.rowStride = 2 * width;
    } else if (pixelFormat == 1) {
        geometry_.bytesPerPixel = 3;
        geometry_.rowStride = -3 * width;
    }
}

// The drawing itself lands with the overlay work; nothing is written yet.
void MetricsPlotter::DrawLine(uint8_t*, int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t,
                              int32_t) const {}

}  // namespace zek
