#include "bench/bench_frames.h"

#include <random>

#include "bench/plain_read.h"

namespace zek::bench {
namespace {

constexpr size_t kColdBytes = size_t{128} << 20;  // well above the last-level cache

std::vector<uint8_t> LetterboxedFrame(int32_t width, int32_t height, uint32_t seed) {
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
    std::mt19937 rng(seed);
    const int32_t band = height / 8;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = frame.data() + static_cast<size_t>(y) * width * 2;
        for (int32_t x = 0; x < width; ++x) {
            row[2 * x] = y < band ? 16 : static_cast<uint8_t>(16 + rng() % 220);
            row[2 * x + 1] = 128;
        }
    }
    return frame;
}

}  // namespace

FramePool::FramePool(int32_t width, int32_t height, bool cold) : format_{width, height, 0} {
    const size_t frameBytes = static_cast<size_t>(width) * height * 2;
    const size_t count = cold ? kColdBytes / frameBytes + 1 : 1;
    frames_.push_back(LetterboxedFrame(width, height, 1));
    while (frames_.size() < count) frames_.push_back(frames_.front());
}

uint8_t* FramePool::Next() {
    uint8_t* f = frames_[next_].data();
    if (++next_ == frames_.size()) next_ = 0;
    return f;
}

size_t FramePool::MeasuredBytes() const { return bench::MeasuredBytes(format_.width, format_.height); }

}  // namespace zek::bench
