#include "ui/dialog_placement.h"

#include <algorithm>

namespace zek {

namespace {

int32_t Clamped(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

ScreenRect DialogRectAt(ScreenPoint at, const ScreenRect& dialog) {
    const int64_t width = int64_t{dialog.right} - dialog.left;
    const int64_t height = int64_t{dialog.bottom} - dialog.top;
    return {at.x, at.y, Clamped(at.x + width), Clamped(at.y + height)};
}

ScreenPoint PlaceDialog(ScreenPoint saved, bool savedOnAMonitor, int32_t screenW, int32_t screenH,
                        const ScreenRect& dialog, const ScreenRect& host) {
    const bool noneSaved = saved.x == kNoSavedPos && saved.y == kNoSavedPos;
    // A saved point left of or above the primary screen is taken as it is
    // while some monitor shows the dialog there: a monitor may stand to the
    // left of or above the primary one. One that was unplugged since (or a
    // hand-edited place) would open the dialog out of sight.
    if (!noneSaved && savedOnAMonitor && saved.x < screenW && saved.y < screenH) return saved;

    const int32_t width = dialog.right - dialog.left;
    const int32_t height = dialog.bottom - dialog.top;
    // Half-sums truncate toward zero, as C++ division does.
    const int32_t cxD = (dialog.left + dialog.right) / 2;
    const int32_t cyD = (dialog.top + dialog.bottom) / 2;
    const int32_t cxP = (host.left + host.right) / 2;
    const int32_t cyP = (host.top + host.bottom) / 2;
    ScreenPoint p{dialog.left + cxP - cxD, dialog.top + cyP - cyD};
    if (p.x + width >= screenW) p.x = screenW - width;
    if (p.y + height >= screenH) p.y = screenH - height;
    if (p.x < 0) p.x = 0;
    if (p.y < 0) p.y = 0;
    return p;
}

}  // namespace zek
