// Clipping of a line segment to a frame, done arithmetically before drawing
// so that the drawing loop itself needs no bounds test.
#pragma once
#include <cstdint>

namespace zek {

// Where and how long to step: start at (x, y), write count pixels, after
// each one move one step along the major axis, take 2 * minor off error and,
// when it goes below 0, add 2 * major and move one step along the minor axis.
struct LineRun {
    int64_t x = 0;
    int64_t y = 0;
    int32_t stepX = 1;
    int32_t stepY = 1;
    bool xMajor = true;
    int64_t major = 0;
    int64_t minor = 0;
    int64_t error = 0;
    int64_t count = 0;
};

// Coordinates farther than this from the origin are not drawn: it keeps
// every product of the clipping arithmetic within 64 bits.
constexpr int32_t kLineCoordinateLimit = 1 << 29;

// The run of the segment (x0, y0) towards (x1, y1) with max(|dx|, |dy|) +
// extra pixels before clipping, clipped to a width x height frame. False
// when nothing of it is to be drawn. An extra above 1 is taken as 1, so the
// run never goes past its end point and out of the frame.
[[nodiscard]] bool ClipLine(int32_t width, int32_t height, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              int32_t extra, LineRun& run);

}  // namespace zek
