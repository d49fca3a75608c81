// Test frames for the benchmarks: letterboxed YUY2 pictures, either one
// frame used over and over (it stays in the caches) or a pool larger than
// the caches that is walked through, one frame per iteration.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "detect/frame_format.h"

namespace zek::bench {

struct FrameSize {
    int32_t width;
    int32_t height;
    const char* name;
};

inline constexpr FrameSize kFrameSizes[] = {
    {720, 576, "720x576"}, {1920, 1080, "1920x1080"}, {3840, 2160, "3840x2160"}};

class FramePool {
public:
    // cold: enough frames that each one has left the caches when it comes
    // round again.
    FramePool(int32_t width, int32_t height, bool cold);
    FrameFormat format() const { return format_; }
    uint8_t* Next();
    // Bytes the measure must read: rows 0 to height / 2 + 1.
    size_t MeasuredBytes() const;

private:
    FrameFormat format_;
    std::vector<std::vector<uint8_t>> frames_;
    size_t next_ = 0;
};

}  // namespace zek::bench
