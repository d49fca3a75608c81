#include "ui/dialog_placement.h"

#include <algorithm>

namespace zek {

namespace {

int32_t Clamped(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

bool IsEmpty(const ScreenRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Same(const ScreenRect& a, const ScreenRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

ScreenRect Moved(const ScreenRect& r, int64_t dx, int64_t dy) {
    return {Clamped(r.left + dx), Clamped(r.top + dy), Clamped(r.right + dx), Clamped(r.bottom + dy)};
}

// The area two rectangles share, 0 when they do not meet.
int64_t SharedArea(const ScreenRect& a, const ScreenRect& b) {
    const int64_t w = int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
    const int64_t h = int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// Squared length of the gap between two rectangles; 0 when they touch.
int64_t GapSquared(const ScreenRect& a, const ScreenRect& b) {
    const int64_t dx = std::max<int64_t>({0, int64_t{b.left} - a.right, int64_t{a.left} - b.right});
    const int64_t dy = std::max<int64_t>({0, int64_t{b.top} - a.bottom, int64_t{a.top} - b.bottom});
    return dx * dx + dy * dy;
}

// The monitor holding the largest part of r, or monitors.size() for none.
std::size_t LargestShare(const ScreenRect& r, const std::vector<Monitor>& monitors) {
    std::size_t best = monitors.size();
    int64_t bestArea = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const int64_t area = SharedArea(r, monitors[i].area);
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    return best;
}

std::size_t Primary(const std::vector<Monitor>& monitors) {
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].primary) return i;
    }
    return 0;
}

}  // namespace

ScreenRect DialogRectAt(ScreenPoint at, const ScreenRect& dialog) {
    const int64_t width = int64_t{dialog.right} - dialog.left;
    const int64_t height = int64_t{dialog.bottom} - dialog.top;
    return {at.x, at.y, Clamped(at.x + width), Clamped(at.y + height)};
}

HostWindow MinimisedHost(const ScreenRect& parked, const RestorePlacement& placement,
                         const std::vector<Monitor>& monitors) {
    HostWindow host{parked, true, placement.normal, kNoMonitor};
    for (std::size_t i = 0; i < monitors.size() && host.monitor == kNoMonitor; ++i) {
        if (Same(monitors[i].area, placement.monitorArea)) host.monitor = i;
    }
    if (host.monitor == kNoMonitor && !monitors.empty()) host.monitor = Primary(monitors);
    if (host.monitor == kNoMonitor) return host;
    const Monitor& on = monitors[host.monitor];
    if (placement.toMaximised) {
        host.restored = on.work;
    } else if (placement.workspace) {
        // Workspace coordinates count from the work area's top left: on a
        // monitor whose taskbar stands at its left or top edge they lie that
        // bar's width or height short of the screen's, and that monitor's
        // own bar counts, not the primary's.
        host.restored = Moved(host.restored, int64_t{on.work.left} - on.area.left, int64_t{on.work.top} - on.area.top);
    }
    return host;
}

std::size_t HostMonitor(const HostWindow& host, const std::vector<Monitor>& monitors) {
    if (host.minimised && host.monitor < monitors.size()) return host.monitor;
    const ScreenRect& where = host.minimised ? host.restored : host.rect;
    if (IsEmpty(where)) return Primary(monitors);
    const std::size_t shared = LargestShare(where, monitors);
    if (shared < monitors.size()) return shared;
    // A minimised window's own rectangle is a parking place off every
    // screen; where it comes back to, when that is on no monitor, says
    // nothing either.
    if (host.minimised) return Primary(monitors);
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < monitors.size(); ++i) {
        if (GapSquared(where, monitors[i].area) < GapSquared(where, monitors[nearest].area)) nearest = i;
    }
    return nearest;
}

ScreenPoint PlaceDialog(ScreenPoint saved, const ScreenRect& dialog, const HostWindow& host,
                        const std::vector<Monitor>& monitors) {
    const bool noneSaved = saved.x == kNoSavedPos && saved.y == kNoSavedPos;
    if (monitors.empty()) return noneSaved ? ScreenPoint{} : saved;  // nothing to place against
    // A saved point is kept on whichever monitor shows the dialog there, in
    // any direction from the primary one. One unplugged since (or a
    // hand-edited place) would open the dialog out of sight.
    if (!noneSaved && LargestShare(DialogRectAt(saved, dialog), monitors) < monitors.size()) return saved;

    // Centred over the host, kept within the work area of the host's monitor:
    // first so that it ends at the right and bottom edges, then so that it
    // starts no further left or up than the left and top ones. Half-sums
    // truncate toward zero, as C++ division does.
    // A minimised host's own rectangle is its icon or a parking place off
    // every screen: the dialog goes over where the host comes back to.
    const ScreenRect& work = monitors[HostMonitor(host, monitors)].work;
    const ScreenRect& over = host.minimised ? host.restored : host.rect;
    const int32_t width = dialog.right - dialog.left;
    const int32_t height = dialog.bottom - dialog.top;
    const int32_t cxD = (dialog.left + dialog.right) / 2;
    const int32_t cyD = (dialog.top + dialog.bottom) / 2;
    const int32_t cxP = (over.left + over.right) / 2;
    const int32_t cyP = (over.top + over.bottom) / 2;
    ScreenPoint p{dialog.left + cxP - cxD, dialog.top + cyP - cyD};
    if (p.x + width >= work.right) p.x = work.right - width;
    if (p.y + height >= work.bottom) p.y = work.bottom - height;
    if (p.x < work.left) p.x = work.left;
    if (p.y < work.top) p.y = work.top;
    return p;
}

}  // namespace zek
