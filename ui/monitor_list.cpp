#include "ui/monitor_list.h"

namespace zek {
namespace {

ScreenRect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
            {FromRect(info.rcMonitor), FromRect(info.rcWork), (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

}  // namespace

std::vector<Monitor> ListMonitors() {
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) {
        const ScreenRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        monitors.push_back({screen, screen, true});
    }
    return monitors;
}

HostWindow DescribeHost(HWND host, const std::vector<Monitor>& monitors) {
    HostWindow described;
    RECT r = {};
    if (!host || !GetWindowRect(host, &r)) return described;
    described.rect = FromRect(r);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!IsIconic(host) || !GetWindowPlacement(host, &placement)) return described;
    described.minimised = true;
    described.restored = FromRect(placement.rcNormalPosition);
    // A top-level window's restored place is in workspace coordinates,
    // whose origin is the primary monitor's work area, not the screen's;
    // a tool window's is in screen coordinates already.
    if ((GetWindowLongPtrA(host, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0) {
        for (const Monitor& m : monitors) {
            if (!m.primary) continue;
            described.restored.left += m.work.left;
            described.restored.right += m.work.left;
            described.restored.top += m.work.top;
            described.restored.bottom += m.work.top;
        }
    }
    return described;
}

}  // namespace zek
