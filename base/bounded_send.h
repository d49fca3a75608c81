// A message sent to a window of another thread waits for its answer only so
// long. The other thread may be waiting for the very thread that asks (a
// viewer stopping its stream waits for its video thread; a viewer loading
// its plug-ins on a worker waits for that worker): an unbounded send then
// hangs both for good.
#pragma once
#include <windows.h>

namespace zek {

// Half a second: a responsive window thread answers within milliseconds,
// even a busy one within a few hundred; a thread silent for longer is waiting
// on something, and at 25 frames a second a wait of this length is a stutter
// the picture recovers from, not a frozen viewer.
constexpr UINT kAnswerWaitMs = 500;

// SendMessageTimeout within kAnswerWaitMs, handling messages sent to the
// calling thread meanwhile, as SendMessage does; no wait at all for a window
// the system already counts as hung. True with the answer; false when the
// window did not answer in time or is gone. For a window of the calling
// thread the procedure runs at once and there is no bound.
[[nodiscard]] bool SendWithinBound(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer);

}  // namespace zek
