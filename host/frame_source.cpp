#include "host/frame_source.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zek_host {

void FrameSource::Fill(long n, std::vector<uint8_t>& out) const {
    const size_t bytes = FrameBytes();
    out.resize(bytes);
    if (frameCount == 0 || bytes == 0) return;
    std::memcpy(out.data(), data.data() + static_cast<size_t>(n % frameCount) * bytes, bytes);
}

bool LoadRawFrames(const std::string& path, FrameSource& source, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    source.data.clear();
    uint8_t buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) source.data.insert(source.data.end(), buffer, buffer + n);
    std::fclose(f);
    const size_t bytes = source.FrameBytes();
    source.frameCount = bytes ? static_cast<long>(source.data.size() / bytes) : 0;
    if (source.frameCount == 0) {
        error = path + " holds no whole frame of " + std::to_string(bytes) + " bytes";
        return false;
    }
    return true;
}

bool MakePatternFrame(const std::string& pattern, FrameSource& source, std::string& error) {
    const auto colon = pattern.find(':');
    const std::string kind = pattern.substr(0, colon);
    const int value = colon == std::string::npos ? 0 : std::atoi(pattern.c_str() + colon + 1);
    int band = 0;
    int picture = value;
    if (kind == "band") {
        band = value;
        picture = 100;
    } else if (kind != "flat") {
        error = "unknown pattern " + pattern;
        return false;
    }
    source.data.assign(source.FrameBytes(), 0);
    const size_t rowBytes = static_cast<size_t>(source.width) * source.bytesPerPixel;
    for (int32_t y = 0; y < source.height; ++y) {
        uint8_t* row = source.data.data() + y * rowBytes;
        const uint8_t luma = static_cast<uint8_t>(y < band ? 16 : picture);
        for (size_t i = 0; i < rowBytes; ++i) {
            row[i] = source.bytesPerPixel == 2 && (i % 2) ? 128 : luma;
        }
    }
    source.frameCount = 1;
    return true;
}

}  // namespace zek_host
