#include "host/frame_source.h"

#include <algorithm>
#include <cstdlib>

namespace zek_host {

FrameSource::FrameSource(int32_t width, int32_t height, int32_t bytesPerPixel)
    : width_(width), height_(height), bytesPerPixel_(bytesPerPixel) {}

FrameSource::~FrameSource() {
    if (ownsStream_) CloseHandle(stream_);
}

size_t FrameSource::FrameBytes() const {
    if (width_ <= 0 || height_ <= 0) return 0;
    return static_cast<size_t>(width_) * static_cast<size_t>(height_) * static_cast<size_t>(bytesPerPixel_);
}

bool FrameSource::OpenStream(const std::string& path, std::string& error) {
    if (FrameBytes() == 0) {
        error = "no frame size to read " + path + " by";
        return false;
    }
    if (path == "-") {
        // The C runtime's stdin would translate line ends in text mode; the
        // handle itself reads the bytes as they come.
        stream_ = GetStdHandle(STD_INPUT_HANDLE);
        if (stream_ == nullptr) stream_ = INVALID_HANDLE_VALUE;
    } else {
        stream_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        ownsStream_ = stream_ != INVALID_HANDLE_VALUE;
    }
    if (stream_ == INVALID_HANDLE_VALUE) {
        error = "cannot open " + (path == "-" ? std::string("the standard input") : path);
        return false;
    }
    return true;
}

bool FrameSource::MakePattern(const std::string& pattern, std::string& error) {
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
    picture_.assign(FrameBytes(), 0);
    const size_t rowBytes = static_cast<size_t>(std::max(width_, 0)) * bytesPerPixel_;
    for (int32_t y = 0; y < height_ && rowBytes; ++y) {
        uint8_t* row = picture_.data() + y * rowBytes;
        const uint8_t luma = static_cast<uint8_t>(y < band ? 16 : picture);
        for (size_t i = 0; i < rowBytes; ++i) {
            row[i] = bytesPerPixel_ == 2 && (i % 2) ? 128 : luma;
        }
    }
    return true;
}

bool FrameSource::Next(std::vector<uint8_t>& out) {
    if (!Streaming()) {
        out = picture_;
        return true;
    }
    if (ended_) return false;
    // Read beside the last frame, which stays whole when the stream ends
    // in the middle of the next one.
    const size_t bytes = FrameBytes();
    incoming_.resize(bytes);
    size_t got = 0;
    while (got < bytes) {
        // A pipe hands over what it holds, so one frame takes many reads.
        // The end of a pipe is a failed read with ERROR_BROKEN_PIPE once its
        // writer has closed it; the end of a file a read of 0 bytes.
        const DWORD ask = static_cast<DWORD>(std::min<size_t>(bytes - got, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(stream_, incoming_.data() + got, ask, &read, nullptr)) {
            const DWORD error = GetLastError();
            if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) readError_ = error;
            break;
        }
        if (read == 0) break;
        got += read;
    }
    if (got == bytes) {
        out.swap(incoming_);
        ++framesRead_;
        return true;
    }
    ended_ = true;
    partialBytes_ = got;
    return false;
}

}  // namespace zek_host
