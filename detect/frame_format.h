// Width, height and pixel format of the frames of the current stream.
#pragma once
#include <cstdint>

namespace zek {

constexpr int32_t kPixelFormatYuy2 = 0;   // top-down, 2 bytes per pixel
constexpr int32_t kPixelFormatRgb24 = 1;  // bottom-up, 3 bytes per pixel

struct FrameFormat {
    int32_t width = 0;
    int32_t height = 0;
    int32_t pixelFormat = 0;
};

}  // namespace zek
