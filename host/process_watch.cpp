#include "host/process_watch.h"

namespace zek_host {
namespace {

// Counted on whichever thread delivers frames, read by the window's.
std::atomic<long> g_framesProcessed{0};
ProcessWatch g_watch;

}  // namespace

ProcessWatch& Watch() { return g_watch; }
long FramesProcessed() { return g_framesProcessed; }
long CountFrame() { return ++g_framesProcessed; }

}  // namespace zek_host
