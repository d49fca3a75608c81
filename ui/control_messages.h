// Typed forms of the few common-control messages whose parameters pack two
// 16-bit words, so that no caller packs them by hand.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "ui/word_pair.h"

namespace zek {

static_assert(WordPair(-3, -7) == static_cast<DWORD>(MAKELPARAM(-3, -7)), "the system's own packing");

inline LPARAM PairParam(int32_t low, int32_t high) { return static_cast<LPARAM>(WordPair(low, high)); }

// The up-down control holds the upper bound in the low word, the lower in the high one.
inline void SetSpinRange(HWND spin, int32_t lower, int32_t upper) {
    SendMessageA(spin, UDM_SETRANGE, 0, PairParam(upper, lower));
}

inline void GetSpinRange(HWND spin, int32_t& lower, int32_t& upper) {
    const auto range = static_cast<uint32_t>(SendMessageA(spin, UDM_GETRANGE, 0, 0));
    upper = LowSigned(range);
    lower = HighSigned(range);
}

inline void SetSpinPos(HWND spin, int32_t position) { SendMessageA(spin, UDM_SETPOS, 0, PairParam(position, 0)); }

// What the up-down control sends its parent when it moves to `position`.
inline void SendThumbPosition(HWND parent, HWND spin, int32_t position) {
    SendMessageA(parent, WM_VSCROLL, static_cast<WPARAM>(WordPair(SB_THUMBPOSITION, position)),
                 reinterpret_cast<LPARAM>(spin));
}

inline int32_t ScrollCode(WPARAM wParam) { return LowSigned(static_cast<uint32_t>(wParam)); }
inline int32_t ScrollPosition(WPARAM wParam) { return HighSigned(static_cast<uint32_t>(wParam)); }

// Places a tracked tooltip with its stem at the screen point (x, y).
inline void TrackTooltipAt(HWND tooltip, int32_t x, int32_t y) {
    SendMessageA(tooltip, TTM_TRACKPOSITION, 0, PairParam(x, y));
}

}  // namespace zek
