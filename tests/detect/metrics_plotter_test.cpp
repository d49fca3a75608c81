#include "detect/metrics_plotter.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "detect/mul_div.h"

namespace zek {
namespace {

using Pixels = std::vector<std::pair<int, int>>;
constexpr uint32_t kWhite = 0xFFFFFFFF;

// A black YUY2 frame (Y 0, U and V 128) sized exactly; a pixel counts as
// written when its Y byte has turned white.
struct Yuy2Frame {
    int32_t width, height;
    std::vector<uint8_t> bytes;
    MetricsPlotter plotter;

    Yuy2Frame(int32_t w, int32_t h) : width(w), height(h), bytes(static_cast<size_t>(w) * h * 2) {
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = i % 2 ? 128 : 0;
        plotter.SetGeometry(w, h, 0);
    }
    uint8_t* Group(int x, int y) { return &bytes[static_cast<size_t>(y) * width * 2 + 4 * (x / 2)]; }
    Pixels Draw(int x0, int y0, int x1, int y1, int extra) {
        plotter.DrawLine(bytes.data(), x0, y0, x1, y1, extra, kWhite, 100);
        Pixels written;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (bytes[static_cast<size_t>(y) * width * 2 + 2 * x] == 255) written.push_back({x, y});
        return written;
    }
};

TEST(DrawLine, StepsAndExtraPixel) {
    EXPECT_EQ(Yuy2Frame(8, 8).Draw(0, 0, 3, 1, 0), (Pixels{{0, 0}, {1, 0}, {2, 1}}));
    EXPECT_EQ(Yuy2Frame(8, 8).Draw(0, 0, 3, 1, 1), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(Yuy2Frame(8, 8).Draw(2, 2, 2, 2, 0), Pixels{});
    EXPECT_EQ(Yuy2Frame(8, 8).Draw(2, 2, 2, 2, 1), (Pixels{{2, 2}}));
}

TEST(DrawLine, ClipsByItsOwnArithmetic) {
    // Plain stepping of this segment would write (0, 0); the clipping
    // arithmetic lands on (0, 1).
    EXPECT_EQ(Yuy2Frame(8, 8).Draw(-3, -1, 1, 1, 0), (Pixels{{0, 1}}));
    Pixels column;
    for (int y = 0; y < 8; ++y) column.push_back({1, y});
    EXPECT_EQ(Yuy2Frame(8, 8).Draw(1, -3, 1, 20, 0), column);
    EXPECT_EQ(Yuy2Frame(8, 8).Draw(-2, -2, -1, 5, 1), Pixels{});
    const Pixels row{{0, 2}, {1, 2}, {2, 2}, {3, 2}};
    EXPECT_EQ(Yuy2Frame(4, 8).Draw(-5, 2, 5, 2, 0), row);
    EXPECT_EQ(Yuy2Frame(4, 8).Draw(-5, 2, 5, 2, 1), row);
    // Reversed, from the right and the bottom.
    EXPECT_EQ(Yuy2Frame(4, 8).Draw(5, 2, -5, 2, 0), row);
    EXPECT_EQ(Yuy2Frame(8, 8).Draw(1, 20, 1, -3, 0), column);
}

TEST(DrawLine, Yuy2WritesTheSharedChromaOnlyForTheEvenPixel) {
    for (int x : {0, 1}) {
        Yuy2Frame f(8, 8);
        uint8_t* g = f.Group(0, 3);
        g[0] = 16, g[1] = 90, g[2] = 16, g[3] = 200;
        f.plotter.DrawLine(f.bytes.data(), x, 3, x, 3, 1, kWhite, 100);
        const std::vector<uint8_t> got(g, g + 4);
        EXPECT_EQ(got, x == 0 ? (std::vector<uint8_t>{255, 128, 16, 128})
                              : (std::vector<uint8_t>{16, 90, 255, 200}));
    }
}

TEST(DrawLine, Yuy2ColourConversion) {
    struct Case { uint32_t colour; uint8_t y, u, v; };
    const Case cases[] = {
        {0x000000, 0, 128, 128},
        {0x0000FF, 76, 84, 255},    // red: 2498490/32768, floor(-43.02)+128, floor(127.5)+128
        {0x00FF00, 149, 43, 21},    // green: floor(-84.47)+128, floor(-106.77)+128
        {0xFF0000, 29, 255, 107},   // blue: floor(127.5)+128, floor(-20.73)+128
        {0x12808080, 128, 128, 128},  // the top byte is ignored
    };
    for (const Case& c : cases) {
        Yuy2Frame f(2, 1);
        f.plotter.DrawLine(f.bytes.data(), 0, 0, 0, 0, 1, c.colour, 100);
        EXPECT_EQ(f.bytes[0], c.y) << std::hex << c.colour;
        EXPECT_EQ(f.bytes[1], c.u) << std::hex << c.colour;
        EXPECT_EQ(f.bytes[3], c.v) << std::hex << c.colour;
    }
}

TEST(DrawLine, BlendAtHalfOpacity) {
    // RGB24 pixel 0 of the top row: blue, green and red towards the colour.
    struct Case { uint8_t current; uint8_t target; uint8_t expected; };
    const Case cases[] = {{0, 255, 127}, {255, 0, 127}, {100, 101, 100}, {100, 99, 99}, {7, 7, 7}};
    for (const Case& c : cases) {
        std::vector<uint8_t> frame(3 * 2 * 2, c.current);
        MetricsPlotter p;
        p.SetGeometry(2, 2, 1);
        const uint32_t colour = c.target * 0x010101u;
        p.DrawLine(frame.data(), 0, 0, 0, 0, 1, colour, 50);
        EXPECT_EQ(frame[6], c.expected) << int(c.current) << " to " << int(c.target);
        EXPECT_EQ(frame[0], c.current);
    }
    // Opacity outside 0..100 is held to it: 250 draws as 100, -5 as 0.
    std::vector<uint8_t> frame(3, 10);
    MetricsPlotter p;
    p.SetGeometry(1, 1, 1);
    p.DrawLine(frame.data(), 0, 0, 0, 0, 1, 0x00C8C8C8, 250);
    EXPECT_EQ(frame, (std::vector<uint8_t>{200, 200, 200}));
    p.DrawLine(frame.data(), 0, 0, 0, 0, 1, 0, -5);
    EXPECT_EQ(frame, (std::vector<uint8_t>{200, 200, 200}));
}

TEST(DrawLine, Rgb24RowsAreBottomUp) {
    std::vector<uint8_t> frame(3 * 4 * 8, 0);
    MetricsPlotter p;
    p.SetGeometry(4, 8, 1);
    p.DrawLine(frame.data(), 0, 0, 0, 0, 1, 0x00332211, 100);  // R 0x11, G 0x22, B 0x33
    const size_t lastRow = 3 * 4 * 7;
    EXPECT_EQ(frame[lastRow + 0], 0x33);
    EXPECT_EQ(frame[lastRow + 1], 0x22);
    EXPECT_EQ(frame[lastRow + 2], 0x11);
    size_t changed = 0;
    for (uint8_t b : frame) changed += b != 0;
    EXPECT_EQ(changed, 3u);
}

TEST(DrawLine, NothingForOtherFormatsNullFramesOrEmptyGeometry) {
    for (int32_t format : {2, -1, 7}) {
        std::vector<uint8_t> frame(3 * 8 * 8, 0);
        MetricsPlotter p;
        p.SetGeometry(8, 8, format);
        p.DrawLine(frame.data(), 0, 0, 7, 7, 1, kWhite, 100);
        EXPECT_EQ(frame, std::vector<uint8_t>(3 * 8 * 8, 0)) << format;
    }
    MetricsPlotter p;
    p.DrawLine(nullptr, 0, 0, 7, 7, 1, kWhite, 100);  // nothing set, nothing drawn
    p.SetGeometry(8, 8, 0);
    p.DrawLine(nullptr, 0, 0, 7, 7, 1, kWhite, 100);
}

TEST(DrawLine, OddYuy2WidthLeavesTheLastColumnAlone) {
    // The buffer is exactly the frame, so an overrun is caught.
    Yuy2Frame f(5, 2);
    EXPECT_EQ(f.Draw(-3, 1, 10, 1, 1), (Pixels{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));
    EXPECT_EQ(f.bytes[5 * 2 + 8], 0);  // column 4 of row 1 untouched
    EXPECT_EQ(f.Draw(4, 0, 4, 0, 1).size(), 4u);  // column 4 is outside: nothing new
}

TEST(MulDiv, RoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(100, 256, 100), 256);
    EXPECT_EQ(MulDiv(50, 256, 100), 128);
    EXPECT_EQ(MulDiv(1, 256, 100), 3);    // 2.56
    EXPECT_EQ(MulDiv(1, 50, 100), 1);     // 0.5 up
    EXPECT_EQ(MulDiv(-1, 50, 100), -1);   // -0.5 away from zero
    EXPECT_EQ(MulDiv(1, 49, -100), 0);
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    EXPECT_EQ(MulDiv(0x40000000, 4, 1), -1);  // does not fit
    EXPECT_EQ(MulDiv(0x40000000, 4, 2), -1);  // 2^31 is one too many
    EXPECT_EQ(MulDiv(-0x40000000, 4, 2), INT32_MIN);
}

}  // namespace
}  // namespace zek
