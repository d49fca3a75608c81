#include "detect/metrics_plotter.h"

#include "detect/frame_format.h"
#include "detect/line_clip.h"
#include "detect/mul_div.h"

namespace zek {
namespace {

// floor(n / 32768) for either sign.
inline int32_t FloorDiv32768(int32_t n) { return n >= 0 ? n / 32768 : -((-n + 32767) / 32768); }

// current + floor((target - current) * weight / 256), kept to a byte; the
// same as the 16-bit-lane product ((t - c) * 16) * (weight * 16) >> 16.
inline uint8_t Blend(uint8_t current, uint8_t target, int32_t weight) {
    const int32_t scaled = (int32_t{target} - current) * weight;
    const int32_t step = scaled >= 0 ? scaled / 256 : -((-scaled + 255) / 256);
    const int32_t v = current + step;
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

struct Yuy2Pixel {
    uint8_t* frame;
    int64_t rowBytes;
    uint8_t y, u, v;
    int32_t weight;

    void operator()(int64_t x, int64_t row) const {
        uint8_t* group = frame + row * rowBytes + 4 * (x / 2);
        if (x % 2 == 0) {
            group[0] = Blend(group[0], y, weight);
            group[1] = Blend(group[1], u, weight);
            group[3] = Blend(group[3], v, weight);
        } else {
            group[2] = Blend(group[2], y, weight);
        }
    }
};

// Bottom-up rows: picture row 0 is the last row in memory, and the stride
// from one picture row to the next one down is negative.
struct Rgb24Pixel {
    uint8_t* topRow;
    int64_t rowStride;
    uint8_t red, green, blue;
    int32_t weight;

    void operator()(int64_t x, int64_t row) const {
        uint8_t* p = topRow + row * rowStride + 3 * x;
        p[0] = Blend(p[0], blue, weight);
        p[1] = Blend(p[1], green, weight);
        p[2] = Blend(p[2], red, weight);
    }
};

template <typename Write>
void Run(LineRun r, const Write& write) {
    const int64_t twoMajor = 2 * r.major, twoMinor = 2 * r.minor;
    int64_t& major = r.xMajor ? r.x : r.y;
    int64_t& minor = r.xMajor ? r.y : r.x;
    const int32_t majorStep = r.xMajor ? r.stepX : r.stepY;
    const int32_t minorStep = r.xMajor ? r.stepY : r.stepX;
    for (int64_t n = r.count; n > 0; --n) {
        write(r.x, r.y);
        major += majorStep;
        r.error -= twoMinor;
        if (r.error < 0) {
            r.error += twoMajor;
            minor += minorStep;
        }
    }
}

}  // namespace

void MetricsPlotter::SetGeometry(int32_t width, int32_t height, int32_t pixelFormat) {
    geometry_.width = width;
    geometry_.height = height;
    geometry_.pixelFormat = pixelFormat;
    if (pixelFormat == kPixelFormatYuy2) {
        geometry_.bytesPerPixel = 2;
        geometry_.rowStride = 2 * int64_t{width};
    } else if (pixelFormat == kPixelFormatRgb24) {
        geometry_.bytesPerPixel = 3;
        geometry_.rowStride = -3 * int64_t{width};
    }
}

void MetricsPlotter::DrawLine(uint8_t* frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                              int32_t extra, uint32_t colour, int32_t opacity) const {
    const FrameGeometry& g = geometry_;
    if (!frame || (g.pixelFormat != kPixelFormatYuy2 && g.pixelFormat != kPixelFormatRgb24)) return;
    // A YUY2 pixel pair shares one 4-byte group; with an odd width the last
    // column has no whole group in its row, so it is left out of the frame.
    const int32_t drawWidth = g.pixelFormat == kPixelFormatYuy2 ? g.width & ~1 : g.width;
    LineRun run;
    if (!ClipLine(drawWidth, g.height, x0, y0, x1, y1, extra, run)) return;

    const int32_t weight = MulDiv(opacity < 0 ? 0 : opacity > 100 ? 100 : opacity, 256, 100);
    const int32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
    if (g.pixelFormat == kPixelFormatYuy2) {
        const Yuy2Pixel write{
            frame, g.rowStride,
            static_cast<uint8_t>((9798 * red + 19235 * green + 3735 * blue) / 32768),
            static_cast<uint8_t>(FloorDiv32768(-5529 * red - 10855 * green + 16384 * blue) + 128),
            static_cast<uint8_t>(FloorDiv32768(16384 * red - 13720 * green - 2664 * blue) + 128),
            weight};
        Run(run, write);
    } else {
        const Rgb24Pixel write{frame - (int64_t{g.height} - 1) * g.rowStride,
                               g.rowStride,
                               static_cast<uint8_t>(red),
                               static_cast<uint8_t>(green),
                               static_cast<uint8_t>(blue),
                               weight};
        Run(run, write);
    }
}

}  // namespace zek
