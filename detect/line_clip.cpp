#include "detect/line_clip.h"

namespace zek {
namespace {

constexpr int kLeft = 8, kRight = 4, kTop = 2, kBottom = 1;

int Region(int64_t x, int64_t y, int64_t width, int64_t height) {
    int code = 0;
    if (x < 0) code |= kLeft;
    if (x >= width) code |= kRight;
    if (y < 0) code |= kTop;
    if (y >= height) code |= kBottom;
    return code;
}

inline int64_t Magnitude(int64_t v) { return v < 0 ? -v : v; }

// Moves the start into the frame and cuts the end at its edge, by the same
// error arithmetic the drawing loop steps with, so the clipped run draws
// the very pixels the whole segment would have drawn inside the frame.
class Clipper {
public:
    Clipper(LineRun& run, int64_t endX, int64_t endY) : r_(run), endX_(endX), endY_(endY) {}

    int64_t endX() const { return endX_; }
    int64_t endY() const { return endY_; }

    // c: distance from the start to the first column (onX) or row inside.
    void SkipStart(bool onX, int64_t c, int64_t boundary) {
        const int64_t twoMajor = 2 * r_.major, twoMinor = 2 * r_.minor;
        int64_t k = 0;
        if (onX == r_.xMajor) {
            r_.error -= twoMinor * c;
            if (r_.error < 0) {
                k = 1 + (-r_.error) / twoMajor;
                r_.error += twoMajor * k;
            }
            r_.count -= c;
        } else {
            const int64_t t = twoMajor * (c - 1) + r_.error;
            k = t / twoMinor + 1;
            r_.error = t + twoMajor - twoMinor * k;
            r_.count -= k;
        }
        int64_t& other = onX ? r_.y : r_.x;
        const int64_t otherEnd = onX ? endY_ : endX_;
        (onX ? r_.x : r_.y) = boundary;
        other = other > otherEnd ? other - k : other + k;
    }

    // d: distance from the start to the last column (onX) or row inside.
    void CutEnd(bool onX, int64_t d, int64_t boundary) {
        const int64_t twoMajor = 2 * r_.major, twoMinor = 2 * r_.minor;
        int64_t k = 0;
        if (onX == r_.xMajor) {
            r_.count = d + 1;
            if (r_.error - twoMinor * d < 0) k = 1 + (twoMinor * d - r_.error) / twoMajor;
        } else {
            k = (r_.error + twoMajor * d) / twoMinor;
            r_.count = k + 1;
        }
        int64_t& otherEnd = onX ? endY_ : endX_;
        const int64_t otherStart = onX ? r_.y : r_.x;
        (onX ? endX_ : endY_) = boundary;
        otherEnd = otherStart > otherEnd ? otherStart - k : otherStart + k;
    }

private:
    LineRun& r_;
    int64_t endX_;
    int64_t endY_;
};

bool InRange(int32_t v) { return v >= -kLineCoordinateLimit && v <= kLineCoordinateLimit; }

// The last pixel of the run, found with the loop's own arithmetic: after j
// major steps the minor axis has stepped as often as 2 * major had to be
// added to keep the error from going below 0.
void LastPixel(const LineRun& r, int64_t& x, int64_t& y) {
    const int64_t j = r.count - 1;
    const int64_t owed = 2 * r.minor * j - r.error;
    const int64_t minorSteps = owed > 0 ? (owed + 2 * r.major - 1) / (2 * r.major) : 0;
    const int64_t majorSteps = j;
    x = r.x + r.stepX * (r.xMajor ? majorSteps : minorSteps);
    y = r.y + r.stepY * (r.xMajor ? minorSteps : majorSteps);
}

}  // namespace

bool ClipLine(int32_t width, int32_t height, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              int32_t extra, LineRun& run) {
    if (width <= 0 || height <= 0) return false;
    if (!InRange(x0) || !InRange(y0) || !InRange(x1) || !InRange(y1)) return false;
    const int64_t w = width, h = height;
    if (Region(x0, y0, w, h) & Region(x1, y1, w, h)) return false;

    const int64_t dx = int64_t{x1} - x0, dy = int64_t{y1} - y0;
    run = LineRun{};
    run.x = x0;
    run.y = y0;
    run.stepX = dx < 0 ? -1 : 1;
    run.stepY = dy < 0 ? -1 : 1;
    run.xMajor = Magnitude(dx) >= Magnitude(dy);
    run.major = run.xMajor ? Magnitude(dx) : Magnitude(dy);
    run.minor = run.xMajor ? Magnitude(dy) : Magnitude(dx);
    run.error = run.major;
    run.count = run.major + (extra > 1 ? 1 : extra);

    Clipper clip(run, x1, y1);
    auto rejected = [&](int& c0, int& c1) {
        c0 = Region(run.x, run.y, w, h);
        c1 = Region(clip.endX(), clip.endY(), w, h);
        return (c0 & c1) != 0;
    };
    int c0 = Region(x0, y0, w, h), c1 = Region(x1, y1, w, h);
    if (c0 & kLeft) clip.SkipStart(true, -run.x, 0);
    if (c0 & kRight) clip.SkipStart(true, run.x - w + 1, w - 1);
    if (rejected(c0, c1)) return false;
    if (c0 & kTop) clip.SkipStart(false, -run.y, 0);
    if (c0 & kBottom) clip.SkipStart(false, run.y - h + 1, h - 1);
    if (rejected(c0, c1)) return false;
    if (c1 & kLeft) clip.CutEnd(true, run.x, 0);
    if (c1 & kRight) clip.CutEnd(true, w - 1 - run.x, w - 1);
    if (rejected(c0, c1)) return false;
    if (c1 & kTop) clip.CutEnd(false, run.y, 0);
    if (c1 & kBottom) clip.CutEnd(false, h - 1 - run.y, h - 1);
    if (rejected(c0, c1)) return false;

    // The loop trusts the run blindly, so it is checked once here: a run
    // moves monotonically on both axes, so a first and a last pixel inside
    // the frame keep every pixel between them inside too.
    if (run.count <= 0 || c0 != 0) return false;
    int64_t lastX = 0, lastY = 0;
    LastPixel(run, lastX, lastY);
    return Region(lastX, lastY, w, h) == 0;
}

}  // namespace zek
