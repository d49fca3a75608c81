// Frames for the plug-in: raw frames read one at a time from a file or from
// the standard input (a decoder writing into a pipe), or a synthetic
// letterboxed picture. A stream is never held whole: a film of any length
// costs the host two frames, the one played and the next one read.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zek_host {

class FrameSource {
public:
    FrameSource(int32_t width, int32_t height, int32_t bytesPerPixel);
    ~FrameSource();
    FrameSource(const FrameSource&) = delete;
    FrameSource& operator=(const FrameSource&) = delete;

    // path "-" is the standard input. False, with an error text, when it
    // cannot be opened.
    bool OpenStream(const std::string& path, std::string& error);
    // "band:N": rows 0..N-1 black (Y 16), the rest Y 100; "flat:Y": every row Y.
    // U and V are 128. For RGB24 frames every byte is the luma value.
    bool MakePattern(const std::string& pattern, std::string& error);

    bool Streaming() const { return stream_ != INVALID_HANDLE_VALUE; }
    size_t FrameBytes() const;

    // The next frame into out: the stream's next one, or the picture again.
    // False once the stream holds no further whole frame.
    bool Next(std::vector<uint8_t>& out);

    // How the stream ended, once Next has returned false.
    long FramesRead() const { return framesRead_; }
    size_t PartialBytes() const { return partialBytes_; }  // of a last frame cut short
    DWORD ReadError() const { return readError_; }         // 0: the stream simply ended

private:
    int32_t width_;
    int32_t height_;
    int32_t bytesPerPixel_;
    HANDLE stream_ = INVALID_HANDLE_VALUE;
    bool ownsStream_ = false;
    bool ended_ = false;
    std::vector<uint8_t> picture_;   // the synthetic frame
    std::vector<uint8_t> incoming_;  // a stream's next frame, while it is read
    long framesRead_ = 0;
    size_t partialBytes_ = 0;
    DWORD readError_ = 0;
};

}  // namespace zek_host
