// Frames for the plug-in: raw YUY2 frames read from a file and played in a
// loop, or a synthetic letterboxed picture.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zek_host {

struct FrameSource {
    int32_t width = 720;
    int32_t height = 576;
    int32_t bytesPerPixel = 2;
    std::vector<uint8_t> data;  // every frame, back to back
    long frameCount = 0;

    size_t FrameBytes() const { return static_cast<size_t>(width) * height * bytesPerPixel; }
    // Copies frame n (cycling through the file) into out.
    void Fill(long n, std::vector<uint8_t>& out) const;
};

// Loads the whole file; false when it cannot be read or holds no frame.
bool LoadRawFrames(const std::string& path, FrameSource& source, std::string& error);

// "band:N": rows 0..N-1 black (Y 16), the rest Y 100; "flat:Y": every row Y.
// U and V are 128. For RGB24 frames every byte is the luma value.
bool MakePatternFrame(const std::string& pattern, FrameSource& source, std::string& error);

}  // namespace zek_host
