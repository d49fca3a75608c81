#include "detect/row_activity.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "detect/row_activity_kernels.h"

namespace zek {
namespace {

using MeasureFn = void (*)(int32_t*, uint8_t*, const FrameFormat&);

// A YUY2 frame held in a buffer of exactly its size, so that the sanitizer
// catches any read past the last byte.
struct Frame {
    FrameFormat format;
    std::vector<uint8_t> bytes;

    Frame(int32_t width, int32_t height)
        : format{width, height, kPixelFormatYuy2},
          bytes(static_cast<size_t>(width) * height * 2, 0x80) {}

    uint8_t& Y(int32_t x, int32_t y) { return bytes[static_cast<size_t>(y) * format.width * 2 + 2 * x]; }
    void FillRows(int32_t from, int32_t to, uint8_t luma) {
        for (int32_t y = from; y < to; ++y)
            for (int32_t x = 0; x < format.width; ++x) Y(x, y) = luma;
    }
};

// Every test runs on both the reference and the vector version.
class BothMeasures : public ::testing::TestWithParam<MeasureFn> {
protected:
    std::vector<int32_t> Measure(Frame& f, std::vector<int32_t> rows = {}) {
        if (rows.empty()) rows.assign(f.format.height, 0);
        GetParam()(rows.data(), f.bytes.data(), f.format);
        return rows;
    }
};

TEST_P(BothMeasures, BlackBandOverPicture) {
    Frame f(720, 576);
    f.FillRows(0, 60, 16);
    f.FillRows(60, 576, 100);
    const auto rows = Measure(f);
    for (int32_t i = 0; i < 576; ++i) {
        EXPECT_EQ(rows[i], (i == 58 || i == 59) ? 122040 : 0) << "row " << i;
    }
}

TEST_P(BothMeasures, PaintedRowsEnterTheMeasure) {
    Frame f(720, 576);
    f.FillRows(0, 2, 16);
    f.FillRows(2, 576, 100);
    const auto rows = Measure(f);
    for (int32_t i = 0; i < 288; ++i) {
        EXPECT_EQ(rows[i], (i == 2 || i == 3) ? 116280 : 0) << "row " << i;
    }
}

TEST_P(BothMeasures, PaintCoversExactlyRowsZeroToThree) {
    Frame f(24, 8);
    for (size_t i = 0; i < f.bytes.size(); ++i) f.bytes[i] = static_cast<uint8_t>(i * 7);
    const std::vector<uint8_t> before = f.bytes;
    Measure(f);
    const size_t painted = 8 * 24;
    const uint8_t pattern[4] = {0x20, 0x80, 0x20, 0x80};
    for (size_t i = 0; i < painted; ++i) ASSERT_EQ(f.bytes[i], pattern[i % 4]) << i;
    for (size_t i = painted; i < f.bytes.size(); ++i) ASSERT_EQ(f.bytes[i], before[i]) << i;
}

TEST_P(BothMeasures, DarkThresholdAndSingleSteps) {
    // One contributing sample in row 4 (lower row 6) of an otherwise flat frame.
    struct Case { uint8_t upper, lower; int32_t value; };
    const Case cases[] = {
        {33, 34, 128},   // 256 halved
        {34, 255, 0},    // 34 is not dark
        {10, 11, 128},   // d = 1: (255 + 1) / 2
        {10, 10, 0},     // equal
        {20, 5, 0},      // darker below
        {0, 255, 255},   // (255 + 255) / 2
    };
    for (const Case& c : cases) {
        Frame f(16, 10);
        f.FillRows(4, 10, 200);
        f.Y(5, 4) = c.upper;
        f.Y(5, 6) = c.lower;
        const auto rows = Measure(f);
        EXPECT_EQ(rows[4], c.value) << int(c.upper) << " over " << int(c.lower);
    }
}

TEST_P(BothMeasures, ColumnsPastTheLastWholeGroupNeverCount) {
    Frame f(724, 10);
    f.FillRows(4, 10, 32);  // as dark as the painted rows: nothing to find
    for (int32_t x = 720; x < 724; ++x) {
        f.Y(x, 4) = 0;
        f.Y(x, 6) = 255;
    }
    const auto rows = Measure(f);
    for (int32_t v : rows) EXPECT_EQ(v, 0);
}

TEST_P(BothMeasures, PeakHoldDecaysBy500) {
    Frame flat(16, 10);
    flat.FillRows(4, 10, 200);
    std::vector<int32_t> rows(10, 0);
    rows[4] = 1200;
    const int32_t expected[] = {700, 200, 0, 0};
    for (int32_t e : expected) {
        rows = Measure(flat, rows);
        EXPECT_EQ(rows[4], e);
    }
    // A new value above the decayed one replaces it: 7 samples with
    // differences summing to 15 give (7 * 255 + 15) / 2 = 900.
    Frame step(16, 10);
    step.FillRows(4, 10, 200);
    for (int32_t x = 0; x < 7; ++x) {
        step.Y(x, 4) = 0;
        step.Y(x, 6) = x == 0 ? 3 : 2;
    }
    rows.assign(10, 0);
    rows[4] = 1200;
    rows = Measure(step, rows);
    EXPECT_EQ(rows[4], 900);
}

TEST_P(BothMeasures, EntriesFromHalfHeightStayZero) {
    Frame f(32, 13);
    std::mt19937 rng(7);
    for (auto& b : f.bytes) b = static_cast<uint8_t>(rng() % 64);
    const auto rows = Measure(f);
    for (int32_t i = 13 / 2; i < 13; ++i) EXPECT_EQ(rows[i], 0) << i;
    int32_t nonzero = 0;
    for (int32_t i = 0; i < 13 / 2; ++i) nonzero += rows[i] != 0;
    EXPECT_GT(nonzero, 0);
}

INSTANTIATE_TEST_SUITE_P(RowActivity, BothMeasures,
                         ::testing::Values(&MeasureRowActivityScalar, &MeasureRowActivity));

// Lumas drawn so that every rule is exercised often: the dark threshold,
// equal samples, steps of 1 and the extremes.
uint8_t InterestingLuma(std::mt19937& rng) {
    static const uint8_t picks[] = {0, 1, 16, 32, 33, 34, 35, 100, 254, 255};
    switch (rng() % 4) {
        case 0: return picks[rng() % sizeof(picks)];
        case 1: return static_cast<uint8_t>(30 + rng() % 8);
        case 2: return static_cast<uint8_t>(rng());
        default: return static_cast<uint8_t>(rng() % 40);
    }
}

// Every vector measure this CPU can run, the dispatching one first. The
// kernels themselves do not paint.
std::vector<std::pair<const char*, MeasureFn>> VectorMeasures() {
    std::vector<std::pair<const char*, MeasureFn>> all{{"dispatch", &MeasureRowActivity}};
    const auto sse2 = [](int32_t* r, uint8_t* f, const FrameFormat& ff) { MeasureRowsSse2(r, f, ff); };
    all.push_back({"sse2", sse2});
    if (CpuHasAvx2()) {
        const auto avx2 = [](int32_t* r, uint8_t* f, const FrameFormat& ff) { MeasureRowsAvx2(r, f, ff); };
        all.push_back({"avx2", avx2});
    }
    return all;
}

TEST(RowActivityVector, MatchesTheReferenceOnRandomFrames) {
    std::mt19937 rng(12345);
    // Widths around every multiple of 8, 16 and 32 columns (the step sizes),
    // and one past 255 steps of 32, where the byte counters must be emptied.
    const int32_t widths[] = {8, 9, 10, 14, 16, 18, 22, 24, 30, 32, 34, 40, 46, 48, 56, 62,
                              64, 66, 72, 88, 96, 102, 126, 128, 130, 720, 724, 1922, 8200};
    // Heights whose row counts fill whole blocks of row chains, and leave
    // every count of rows over.
    const int32_t heights[] = {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17, 18, 20, 22, 24, 26, 30, 34, 35};
    const auto measures = VectorMeasures();
    for (int32_t width : widths) {
        for (int32_t height : heights) {
            if (width > 2000 && height > 20) continue;
            Frame f(width, height);
            std::vector<int32_t> reference(height);
            // Start from held values, some above the decay, some below.
            for (int32_t i = 0; i < height / 2; ++i) reference[i] = static_cast<int32_t>(rng() % 3000);
            for (int frame = 0; frame < 3; ++frame) {
                for (auto& b : f.bytes) b = InterestingLuma(rng);
                // Runs of equal and nearly equal rows, so big sums occur.
                if (frame == 1) f.FillRows(0, height, 33);
                if (frame == 2) f.FillRows(height / 2, height, 255);
                const Frame unpainted = f;
                const std::vector<int32_t> before = reference;
                MeasureRowActivityScalar(reference.data(), f.bytes.data(), f.format);
                for (const auto& [name, measure] : measures) {
                    Frame copy = name == std::string("dispatch") ? unpainted : f;
                    std::vector<int32_t> rows = before;
                    measure(rows.data(), copy.bytes.data(), copy.format);
                    ASSERT_EQ(reference, rows) << name << " " << width << " x " << height << " frame " << frame;
                    ASSERT_EQ(f.bytes, copy.bytes) << name << " " << width << " x " << height;
                }
            }
        }
    }
}

}  // namespace
}  // namespace zek
