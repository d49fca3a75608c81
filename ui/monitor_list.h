// What the dialog's placement needs to know of the desktop: every display
// with its work area, and where the host window stands. The system's side
// only; the rules are in dialog_placement.h.
#pragma once
#include <windows.h>

#include <vector>

#include "ui/dialog_placement.h"

namespace zek {

// Every display the system reports; never empty (the primary screen's size
// stands in when the query gives nothing).
std::vector<Monitor> ListMonitors();

// The host window's rectangle and, when it is minimised, the one it comes
// back to, in screen coordinates. A null or vanished window gives an empty
// rectangle.
HostWindow DescribeHost(HWND host, const std::vector<Monitor>& monitors);

}  // namespace zek
