// Thousands of random segments, many reaching far outside the frame, drawn
// into small frames with guard bytes around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "detect/line_clip.h"
#include "detect/metrics_plotter.h"

namespace zek {
namespace {

using Pixel = std::pair<int64_t, int64_t>;

struct Segment {
    int32_t x0, y0, x1, y1, extra;
};

// The loop's stepping on the whole, unclipped segment: the pixel after j
// steps. Extra pixels past the end point are never drawn, so extra counts
// as at most 1.
struct PlainStepping {
    Segment s;
    int64_t dx, dy, major, minor;
    bool xMajor;

    explicit PlainStepping(const Segment& seg) : s(seg) {
        dx = int64_t{s.x1} - s.x0;
        dy = int64_t{s.y1} - s.y0;
        xMajor = std::llabs(dx) >= std::llabs(dy);
        major = xMajor ? std::llabs(dx) : std::llabs(dy);
        minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    }
    int64_t Count() const { return major + std::min(s.extra, 1); }
    Pixel At(int64_t j) const {
        const int64_t owed = 2 * minor * j - major;
        const int64_t minorSteps = owed > 0 ? (owed + 2 * major - 1) / (2 * major) : 0;
        const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
        return {s.x0 + sx * (xMajor ? j : minorSteps), s.y0 + sy * (xMajor ? minorSteps : j)};
    }
    // Whether p lies within one pixel of some pixel of the path.
    bool Near(const Pixel& p) const {
        const int64_t sMajor = xMajor ? (dx < 0 ? -1 : 1) : (dy < 0 ? -1 : 1);
        const int64_t j = ((xMajor ? p.first - s.x0 : p.second - s.y0)) * sMajor;
        for (int64_t k = j - 1; k <= j + 1; ++k) {
            if (k < 0 || k >= Count()) continue;
            const Pixel q = At(k);
            if (std::llabs(q.first - p.first) <= 1 && std::llabs(q.second - p.second) <= 1) return true;
        }
        return false;
    }
};

constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xA5;

// An RGB24 or YUY2 frame between guard bytes; the background is black and
// the segments are drawn white, so a written pixel shows.
struct GuardedFrame {
    int32_t width, height, format;
    std::vector<uint8_t> bytes;

    GuardedFrame(int32_t w, int32_t h, int32_t f) : width(w), height(h), format(f) {
        const size_t frame = static_cast<size_t>(w) * h * (f == 0 ? 2 : 3);
        bytes.assign(frame + 2 * kGuard, kGuardByte);
        std::fill(bytes.begin() + kGuard, bytes.end() - kGuard, 0);
        if (f == 0)
            for (size_t i = 1; i < frame; i += 2) bytes[kGuard + i] = 128;
    }
    uint8_t* pixels() { return bytes.data() + kGuard; }
    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i)
            if (bytes[i] != kGuardByte || bytes[bytes.size() - 1 - i] != kGuardByte) return false;
        return true;
    }
    std::set<Pixel> Written() const {
        std::set<Pixel> out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                // YUY2: the pixel's own luma; RGB24: its blue byte, bottom-up rows.
                const size_t at = format == 0 ? static_cast<size_t>(y) * width * 2 + 2 * x
                                              : static_cast<size_t>(height - 1 - y) * width * 3 + 3 * x;
                if (bytes[kGuard + at] == 255) out.insert({x, y});
            }
        return out;
    }
};

int32_t RandomCoordinate(std::mt19937& rng, int32_t size) {
    switch (rng() % 8) {
        case 0: return static_cast<int32_t>(rng() % (2 * kLineCoordinateLimit + 1)) - kLineCoordinateLimit;
        case 1: return static_cast<int32_t>(rng() % 20001) - 10000;
        case 2: return rng() % 2 ? -1 : size;  // just outside
        default: return static_cast<int32_t>(rng() % (3 * size + 8)) - size - 4;
    }
}

TEST(DrawLineProperty, StaysInsideAndFollowsThePlainPath) {
    std::mt19937 rng(2024);
    int inside = 0, clipped = 0, drawnClipped = 0;
    for (int i = 0; i < 20000; ++i) {
        const int32_t format = rng() % 2;
        const int32_t width = format == 0 ? 2 * (1 + rng() % 6) : 1 + rng() % 11;
        const int32_t height = 1 + rng() % 11;
        // A quarter of the segments lie wholly inside the frame.
        const auto coordinate = [&](int32_t size) {
            return i % 4 == 0 ? static_cast<int32_t>(rng() % size) : RandomCoordinate(rng, size);
        };
        const int32_t x0 = coordinate(width), y0 = coordinate(height);
        const int32_t x1 = coordinate(width), y1 = coordinate(height);
        const Segment s{x0, y0, x1, y1, static_cast<int32_t>(rng() % 4)};
        GuardedFrame frame(width, height, format);
        MetricsPlotter plotter;
        plotter.SetGeometry(width, height, format);
        plotter.DrawLine(frame.pixels(), s.x0, s.y0, s.x1, s.y1, s.extra, 0xFFFFFFFF, 100);

        const auto where = [&] {
            return ::testing::Message() << width << "x" << height << " format " << format << ": (" << s.x0
                                        << ", " << s.y0 << ") to (" << s.x1 << ", " << s.y1 << ") extra "
                                        << s.extra;
        };
        ASSERT_TRUE(frame.GuardsIntact()) << where();
        const std::set<Pixel> written = frame.Written();
        const PlainStepping plain(s);
        ASSERT_LE(static_cast<int64_t>(written.size()), plain.major + s.extra) << where();

        const bool wholly = s.x0 >= 0 && s.x0 < width && s.x1 >= 0 && s.x1 < width && s.y0 >= 0 &&
                            s.y0 < height && s.y1 >= 0 && s.y1 < height;
        if (wholly) {
            std::set<Pixel> expected;
            for (int64_t j = 0; j < plain.Count(); ++j) expected.insert(plain.At(j));
            ASSERT_EQ(written, expected) << where();
            ++inside;
        } else {
            for (const Pixel& p : written) ASSERT_TRUE(plain.Near(p)) << where() << " wrote " << p.first << ", " << p.second;
            ++clipped;
            drawnClipped += !written.empty();
        }
    }
    // The draw must have covered both kinds, and clipped segments that do
    // cross the frame.
    EXPECT_GT(inside, 1000);
    EXPECT_GT(drawnClipped, 1000);
    EXPECT_GT(clipped, 5000);
}

TEST(DrawLineProperty, CrossingSegmentsDrawEveryPixelOfTheirPathInside) {
    // Horizontal, vertical and diagonal segments through the frame from far
    // outside: every pixel of the path inside the frame is drawn.
    const int32_t far = 100000;
    struct Case { Segment s; int expected; };
    const Case cases[] = {
        {{-far, 3, far, 3, 0}, 8},
        {{4, far, 4, -far, 0}, 6},
        {{-far, -far, far, far, 0}, 6},
        {{far, 7 - far, 7 - far, far, 1}, 6},  // x + y = 7
    };
    for (const Case& c : cases) {
        GuardedFrame frame(8, 6, 0);
        MetricsPlotter plotter;
        plotter.SetGeometry(8, 6, 0);
        plotter.DrawLine(frame.pixels(), c.s.x0, c.s.y0, c.s.x1, c.s.y1, c.s.extra, 0xFFFFFFFF, 100);
        EXPECT_EQ(static_cast<int>(frame.Written().size()), c.expected) << c.s.x0 << "," << c.s.y0;
        EXPECT_TRUE(frame.GuardsIntact());
    }
}

TEST(DrawLineProperty, CoordinatesBeyondTheSupportedRangeDrawNothing) {
    GuardedFrame frame(8, 8, 1);
    MetricsPlotter plotter;
    plotter.SetGeometry(8, 8, 1);
    plotter.DrawLine(frame.pixels(), 2, 2, INT32_MAX, 2, 0, 0xFFFFFFFF, 100);
    plotter.DrawLine(frame.pixels(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1, 0xFFFFFFFF, 100);
    EXPECT_TRUE(frame.Written().empty());
    plotter.DrawLine(frame.pixels(), 2, 2, kLineCoordinateLimit, 2, 0, 0xFFFFFFFF, 100);
    EXPECT_EQ(frame.Written().size(), 6u);
    EXPECT_TRUE(frame.GuardsIntact());
}

}  // namespace
}  // namespace zek
