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
    RestorePlacement restore;
    restore.normal = FromRect(placement.rcNormalPosition);
    // A tool window's restored place is in screen coordinates already.
    restore.workspace = (GetWindowLongPtrA(host, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0;
    restore.toMaximised = (placement.flags & WPF_RESTORETOMAXIMIZED) != 0;
    // For a minimised window the system names the monitor it was on before,
    // and so the one whose work area its restored rectangle counts from.
    // Without an answer the area stays empty, which names the primary.
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromWindow(host, MONITOR_DEFAULTTONEAREST), &info)) {
        restore.monitorArea = FromRect(info.rcMonitor);
    }
    return MinimisedHost(described.rect, restore, monitors);
}

}  // namespace zek
