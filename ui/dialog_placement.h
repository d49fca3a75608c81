// Where the settings dialog opens: at its saved position, or centred over the
// host window and kept on the primary screen. Portable arithmetic only.
#pragma once
#include <cstdint>

namespace zek {

// Screen coordinates, right and bottom exclusive, as window rectangles are.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// The pair the settings file holds when no position was ever stored.
constexpr int32_t kNoSavedPos = -100;

// The rectangle the dialog would cover with its top left corner at `at`,
// kept within the 32-bit range a hand-edited position could overrun.
ScreenRect DialogRectAt(ScreenPoint at, const ScreenRect& dialog);

// saved: the stored left/top; savedOnAMonitor: whether any monitor shows
// part of DialogRectAt(saved); screenW/H: the primary screen's size;
// dialog: the dialog's rectangle as created; host: the host window's.
ScreenPoint PlaceDialog(ScreenPoint saved, bool savedOnAMonitor, int32_t screenW, int32_t screenH,
                        const ScreenRect& dialog, const ScreenRect& host);

}  // namespace zek
