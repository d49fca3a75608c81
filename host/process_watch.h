// What the host sees of its Process calls, whichever thread makes them: the
// frames handed over so far, how long the longest call took, and whether
// each zoom command was handled while a call was still under way or only
// after it had returned. The script counts the frames and times the calls,
// the host's window counts the zoom commands; both stand on this file, so
// the window needs nothing of the script.
#pragma once
#include <atomic>

namespace zek_host {

struct ProcessWatch {
    std::atomic<bool> inProcess{false};
    std::atomic<long> longestMs{0};
    std::atomic<long> zoomsInProcess{0};
    std::atomic<long> zoomsAfter{0};
    void Reset() {
        longestMs = 0;
        zoomsInProcess = 0;
        zoomsAfter = 0;
    }
};
ProcessWatch& Watch();

// Frames handed to Process so far, for the lines that name a frame.
long FramesProcessed();
// One more frame handed over; its number.
long CountFrame();

}  // namespace zek_host
