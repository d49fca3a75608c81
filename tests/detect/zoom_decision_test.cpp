#include "detect/zoom_decision.h"

#include <gtest/gtest.h>

#include <vector>

namespace zek {
namespace {

// A row array of the top third of a 720 x 576 frame with peaks placed by hand.
std::vector<int32_t> Rows(std::initializer_list<std::pair<int, int32_t>> values, int n = 192) {
    std::vector<int32_t> rows(n, 0);
    for (auto [row, v] : values) rows[row] = v;
    return rows;
}

TEST(FindPeaks, PlateauPeakIsItsLastRow) {
    auto rows = Rows({{58, 122040}, {59, 122040}});
    Peaks p = FindPeaks(rows.data(), 192);
    EXPECT_EQ(p.largest, 122040);
    EXPECT_EQ(p.row1, 59);
    EXPECT_EQ(p.second, 0);
    EXPECT_EQ(p.row2, 0);
    const int32_t zoom = EstimateZoom(p.row1, 576, 3);
    EXPECT_EQ(zoom, 15);
    EXPECT_TRUE(ShouldSendZoom(100, zoom, p));
    EXPECT_FALSE(ShouldSendZoom(15, zoom, p));
}

TEST(FindPeaks, LaterLargerPeakDropsTheFormer) {
    auto rows = Rows({{10, 1000}, {50, 2000}});
    Peaks p = FindPeaks(rows.data(), 192);
    EXPECT_EQ(p.largest, 2000);
    EXPECT_EQ(p.row1, 50);
    EXPECT_EQ(p.second, 0);
}

TEST(FindPeaks, SmallerLaterPeakBecomesSecond) {
    auto rows = Rows({{10, 2000}, {50, 1000}});
    Peaks p = FindPeaks(rows.data(), 192);
    EXPECT_EQ(p.largest, 2000);
    EXPECT_EQ(p.row1, 10);
    EXPECT_EQ(p.second, 1000);
    EXPECT_EQ(p.row2, 50);
    const int32_t zoom = EstimateZoom(p.row1, 576, 3);
    EXPECT_EQ(zoom, 4);
    EXPECT_TRUE(ShouldSendZoom(100, zoom, p));
}

TEST(FindPeaks, EqualPeaksAndSecondPeakRatio) {
    Peaks equal{1000, 40, 1000, 80};
    EXPECT_FALSE(ShouldSendZoom(100, 11, equal));
    auto rows = Rows({{40, 1000}, {80, 1000}});
    Peaks found = FindPeaks(rows.data(), 192);
    EXPECT_EQ(found.second, 1000);  // equal to the largest: only second
    EXPECT_EQ(found.row2, 80);
    EXPECT_FALSE(ShouldSendZoom(100, 11, Peaks{1000, 40, 700, 80}));
    EXPECT_TRUE(ShouldSendZoom(100, 11, Peaks{1000, 40, 699, 80}));
}

TEST(FindPeaks, RiseAtTheEndIsNoPeakAndShortRunsCount) {
    const int32_t tail[] = {0, 0, 3, 7};
    EXPECT_EQ(FindPeaks(tail, 4).largest, 0);
    const int32_t flat[] = {0, 5, 5, 0};
    Peaks p = FindPeaks(flat, 4);
    EXPECT_EQ(p.largest, 5);
    EXPECT_EQ(p.row1, 2);
    EXPECT_EQ(FindPeaks(flat, 3).largest, 0);  // the fall lies outside the search
}

TEST(ZoomEstimate, SinglePeaksAndTheRowDistanceTest) {
    EXPECT_EQ(EstimateZoom(40, 576, 3), 11);
    EXPECT_EQ(EstimateZoom(0, 576, 3), 3);
    EXPECT_FALSE(ShouldSendZoom(100, EstimateZoom(5, 576, 3), Peaks{900, 5, 0, 0}));
    EXPECT_TRUE(ShouldSendZoom(100, EstimateZoom(6, 576, 3), Peaks{900, 6, 0, 0}));
    EXPECT_FALSE(ShouldSendZoom(100, 3, Peaks{}));  // no peak at all
}

TEST(ZoomEstimate, ChangeMustBeAtLeastTwoPoints) {
    const Peaks p{5000, 59, 0, 0};
    for (int32_t zoom : {99, 100, 101}) EXPECT_FALSE(ShouldSendZoom(100, zoom, p)) << zoom;
    for (int32_t zoom : {98, 102}) EXPECT_TRUE(ShouldSendZoom(100, zoom, p)) << zoom;
}

TEST(ZoomEstimate, ExtremeExtraZoomWrapsInsteadOfOverflowing) {
    EXPECT_EQ(EstimateZoom(59, 576, 2147483647), static_cast<int32_t>(0x80000000u + 11u));
    EXPECT_TRUE(ShouldSendZoom(-2147483647 - 1, 2147483647, Peaks{9, 50, 0, 0}));
}

}  // namespace
}  // namespace zek
