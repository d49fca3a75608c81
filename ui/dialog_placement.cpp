#include "ui/dialog_placement.h"

namespace zek {

ScreenPoint PlaceDialog(ScreenPoint saved, int32_t screenW, int32_t screenH, const ScreenRect& dialog,
                        const ScreenRect& host) {
    const bool noneSaved = saved.x == kNoSavedPos && saved.y == kNoSavedPos;
    // A saved point left of or above the screen is taken as it is: the user
    // may have put the dialog half off a screen to the left of the primary.
    if (!noneSaved && saved.x < screenW && saved.y < screenH) return saved;

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
