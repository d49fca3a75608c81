// Draws clipped, blended line segments into YUY2 or RGB24 frames.
#pragma once
#include <cstdint>

namespace zek {

struct FrameGeometry {
    int32_t pixelFormat = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;
    // 2 * width for YUY2, -3 * width for RGB24; 64 bits, since a host may
    // announce any width.
    int64_t rowStride = 0;
};

class MetricsPlotter {
public:
    virtual ~MetricsPlotter() = default;

    void SetGeometry(int32_t width, int32_t height, int32_t pixelFormat);
    // From (x0, y0) towards (x1, y1): max(|dx|, |dy|) + extra pixels before
    // clipping. colour is 0x00BBGGRR; opacity a percentage.
    void DrawLine(uint8_t* frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t extra,
                  uint32_t colour, int32_t opacity) const;

    const FrameGeometry& Geometry() const { return geometry_; }

private:
    FrameGeometry geometry_;
};

}  // namespace zek
