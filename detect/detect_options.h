// The numbers the matte detection and the zoom decision rest on, each named
// once, with what it does. The scalar measure, both vector measures, the
// frame flow and the decision take them from here and nowhere else.
#pragma once
#include <cstdint>

namespace zek {

// A tunable: its value, a short name and a help text. It reads as its value
// wherever a number is expected.
template <typename T>
struct DetectOption {
    T value;
    const char* name;
    const char* help;
    constexpr operator T() const { return value; }
};

// The row measure.
inline constexpr DetectOption<int32_t> kDarkLimit{33, "dark limit",
    "An upper luma of at most this is dark: only a dark sample with a brighter one two rows below counts."};
inline constexpr DetectOption<int32_t> kStepWeight{255, "step weight",
    "What a dark sample with a brighter one below counts besides the step, so their number outweighs their size."};
inline constexpr DetectOption<int32_t> kDecayPerFrame{500, "decay per frame",
    "What a row's held value loses on each measured frame, never below 0, before a larger new value replaces it."};

// The frame flow after a channel switch.
inline constexpr DetectOption<int32_t> kSettleFrames{25, "settle count",
    "Frames a channel switch waits before the first measure; the switch frame counts as the first of them."};
inline constexpr DetectOption<int32_t> kZoomAfterSwitch{100, "zoom after a switch",
    "The zoom taken as sent last once the channel changed, so that any clear estimate after it differs."};

// The zoom decision.
inline constexpr DetectOption<int32_t> kSmallestZoomChange{2, "smallest change sent",
    "An estimate this many points or more away from the zoom sent last is sent."};
inline constexpr DetectOption<int32_t> kSmallestPeakDistance{6, "smallest peak distance",
    "The largest peak's row must be at least this many rows from the second's (row 0 when there is none)."};
inline constexpr DetectOption<double> kSecondPeakRatio{0.7, "second-peak ratio",
    "The largest peak times this must be above the second peak, strictly, for the estimate to be clear."};

// The graph of the row values.
inline constexpr DetectOption<int32_t> kGraphScale{255, "graph scale",
    "A row value is drawn this many times smaller, as the column of its point."};

}  // namespace zek
