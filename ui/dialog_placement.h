// Where the settings dialog opens: at its saved position while a monitor
// shows it there, or centred over the host window and kept within the work
// area of the host's monitor. Portable arithmetic only; the monitors come
// from the system through monitor_list.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

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

// One display as the system reports it: the whole of it, and the part that
// no taskbar or docked bar covers.
struct Monitor {
    ScreenRect area;
    ScreenRect work;
    bool primary = false;
};

constexpr std::size_t kNoMonitor = SIZE_MAX;

// The host window as far as placement cares.
struct HostWindow {
    ScreenRect rect;         // its window rectangle: the dialog is centred over it
    bool minimised = false;  // then `restored` and `monitor` stand for it instead
    ScreenRect restored;     // where a minimised host comes back to
    std::size_t monitor = kNoMonitor;  // the monitor the system puts a minimised host on
};

// What the system says of a minimised window: where it comes back to, in
// its own terms.
struct RestorePlacement {
    ScreenRect normal;          // the restored rectangle
    bool workspace = true;      // less the inset of its monitor's work area
    bool toMaximised = false;   // comes back maximised: over the work area
    ScreenRect monitorArea;     // the whole of the monitor the system names for it
};

// The host minimised at `parked`: where it comes back to, in screen
// coordinates, and on which of `monitors` (found by its area, else the
// primary).
HostWindow MinimisedHost(const ScreenRect& parked, const RestorePlacement& placement,
                         const std::vector<Monitor>& monitors);

// The pair the settings file holds when no position was ever stored.
constexpr int32_t kNoSavedPos = -100;

// The rectangle the dialog would cover with its top left corner at `at`,
// kept within the 32-bit range a hand-edited position could overrun.
ScreenRect DialogRectAt(ScreenPoint at, const ScreenRect& dialog);

// The monitor the host stands on, as an index into `monitors` (which must
// not be empty): the one holding the largest part of its rectangle, else the
// nearest; for a minimised host the one the system named, else the one
// holding the largest part of where it comes back to, and for one not yet
// placed (an empty rectangle) or nowhere, the primary. Ties go to the first
// in the list.
std::size_t HostMonitor(const HostWindow& host, const std::vector<Monitor>& monitors);

// saved: the stored left/top; dialog: the dialog's rectangle as created;
// monitors: every display, at least one. On a single monitor whose work area
// is the whole W x H screen this gives the one-screen rule: a saved point
// left of the right edge and above the bottom edge is kept (as long as the
// dialog shows there at all), anything else is centred over the host (a
// minimised one: over where it comes back to) and clamped to 0..W and 0..H.
ScreenPoint PlaceDialog(ScreenPoint saved, const ScreenRect& dialog, const HostWindow& host,
                        const std::vector<Monitor>& monitors);

}  // namespace zek
