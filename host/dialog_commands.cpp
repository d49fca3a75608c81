// Commands that work the plug-in's settings dialog the way a user would:
// clicks, keys and typed characters go to its controls as window messages,
// and `dump` prints what the dialog shows. Texts that may hold spaces or
// non-ASCII characters are printed as hex of their UTF-8 bytes.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "host/host_commands.h"

namespace zek_host {
namespace {

constexpr char kDialogClass[] = "#32770";
constexpr char kTooltipClass[] = "tooltips_class32";
constexpr int kAboutButton = 5008;
constexpr int kNumberField = 5105;

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The window's text in UTF-8, as the window itself holds it.
std::string TextOf(HWND window) {
    if (!window) return {};
    wchar_t wide[512] = {};
    const int n = GetWindowTextW(window, wide, 512);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n) * 4, '\0');
    const int got = WideCharToMultiByte(CP_UTF8, 0, wide, n, &text[0], static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

std::string Hex(const std::string& text) {
    std::string out;
    char byte[3];
    for (unsigned char c : text) {
        std::snprintf(byte, sizeof byte, "%02x", c);
        out += byte;
    }
    return out;
}

std::string RectText(HWND window) {
    RECT r = {};
    if (window) GetWindowRect(window, &r);
    char text[64];
    std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    return text;
}

struct OwnedSearch {
    HWND owner;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM p) {
    auto* s = reinterpret_cast<OwnedSearch*>(p);
    if (GetWindow(window, GW_OWNER) == s->owner && ClassOf(window) == s->className) s->found.push_back(window);
    return TRUE;
}

// Top-level windows of a class owned by a window, in z-order.
std::vector<HWND> OwnedWindows(HWND owner, const char* className) {
    OwnedSearch search{owner, className, {}};
    EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Control(const HostContext& host, const std::vector<std::string>& args) {
    HWND dialog = FindDialog(host);
    if (!dialog || args.empty()) return nullptr;
    return GetDlgItem(dialog, std::atoi(args[0].c_str()));
}

// 24-bit bottom-up BMP of a screen rectangle, as the X server shows it.
bool SaveScreenRect(const RECT& r, const std::string& path) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (w * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * h);
    GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(&file, sizeof file, 1, f);
    std::fwrite(&info, sizeof info, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
    return true;
}

// The window's rectangle widened by a margin, and by the balloon if shown.
RECT ShotRect(HWND window, HWND balloon) {
    RECT r = {};
    GetWindowRect(window, &r);
    if (balloon && IsWindowVisible(balloon)) {
        RECT b = {};
        GetWindowRect(balloon, &b);
        UnionRect(&r, &r, &b);
    }
    InflateRect(&r, 8, 8);
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&r, &r, &screen);
    return r;
}

void PostKey(HWND control, WPARAM vk) {
    const UINT scan = MapVirtualKeyA(static_cast<UINT>(vk), 0);
    PostMessageA(control, WM_KEYDOWN, vk, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageA(control, WM_KEYUP, vk, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
}

// click ID: the button presses itself, as a mouse click would.
bool CmdClick(HostContext& host, const std::vector<std::string>& args) {
    HWND button = Control(host, args);
    if (!button) return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    PumpMessages(50);
    return true;
}

// command ID: WM_COMMAND as the dialog manager sends for Enter (1) and Escape (2).
bool CmdCommand(HostContext& host, const std::vector<std::string>& args) {
    HWND dialog = FindDialog(host);
    if (!dialog || args.empty()) return false;
    const int id = std::atoi(args[0].c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    PumpMessages(50);
    return true;
}

bool CmdFocus(HostContext& host, const std::vector<std::string>& args) {
    HWND control = Control(host, args);
    if (!control) return false;
    SetFocus(control);
    PumpMessages(20);
    return true;
}

// type ID TEXT: focus the field, select its text and type over it.
bool CmdType(HostContext& host, const std::vector<std::string>& args) {
    HWND control = Control(host, args);
    if (!control) return false;
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
    const std::string text = args.size() > 1 ? args[1] : "";
    for (unsigned char c : text) PostMessageA(control, WM_CHAR, c, 1);
    PumpMessages(20);
    return true;
}

// clear ID: select the field's text and delete it with the Delete key.
bool CmdClear(HostContext& host, const std::vector<std::string>& args) {
    HWND control = Control(host, args);
    if (!control) return false;
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
    PostKey(control, VK_DELETE);
    PumpMessages(20);
    return true;
}

// key ID enter|escape|up|down|tab: a key press at the control.
bool CmdKey(HostContext& host, const std::vector<std::string>& args) {
    HWND control = Control(host, args);
    if (!control || args.size() < 2) return false;
    const std::string& name = args[1];
    const WPARAM vk = name == "enter" ? VK_RETURN
                    : name == "escape" ? VK_ESCAPE
                    : name == "up" ? VK_UP
                    : name == "down" ? VK_DOWN
                    : name == "tab" ? VK_TAB
                    : 0;
    if (!vk) return false;
    PostKey(control, vk);
    PumpMessages(30);
    return true;
}

// close: WM_CLOSE, as the caption's close box sends it.
bool CmdClose(HostContext& host, const std::vector<std::string>&) {
    HWND dialog = FindDialog(host);
    if (!dialog) return false;
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    PumpMessages(50);
    return true;
}

// move X Y: the user drags the dialog to a new place.
bool CmdMove(HostContext& host, const std::vector<std::string>& args) {
    HWND dialog = FindDialog(host);
    if (!dialog || args.size() < 2) return false;
    SetWindowPos(dialog, nullptr, std::atoi(args[0].c_str()), std::atoi(args[1].c_str()), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages(20);
    return true;
}

// enable ID 0|1: the field (or any control) switched off or on.
bool CmdEnable(HostContext& host, const std::vector<std::string>& args) {
    HWND control = Control(host, args);
    if (!control || args.size() < 2) return false;
    EnableWindow(control, std::atoi(args[1].c_str()) != 0);
    PumpMessages(20);
    return true;
}

// hostmove X Y W H: the viewer's main window moves, for the centring rules.
bool CmdHostMove(HostContext& host, const std::vector<std::string>& args) {
    if (!host.mainWindow || args.size() < 4) return false;
    MoveWindow(host.mainWindow, std::atoi(args[0].c_str()), std::atoi(args[1].c_str()), std::atoi(args[2].c_str()),
               std::atoi(args[3].c_str()), TRUE);
    PumpMessages(20);
    return true;
}

// hostshow minimise|maximise|restore: the viewer's main window as its
// caption buttons leave it; prints where it stands and where it comes back to.
bool CmdHostShow(HostContext& host, const std::vector<std::string>& args) {
    if (!host.mainWindow || args.empty()) return false;
    const std::string& how = args[0];
    const int show = how == "minimise"   ? SW_MINIMIZE
                     : how == "maximise" ? SW_MAXIMIZE
                     : how == "restore"  ? SW_RESTORE
                                         : -1;
    if (show < 0) return false;
    ShowWindow(host.mainWindow, show);
    PumpMessages(50);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(host.mainWindow, &placement);
    const RECT& n = placement.rcNormalPosition;
    std::printf("hostshow %s iconic=%d zoomed=%d rect=%s normal=%ld,%ld,%ld,%ld to_maximised=%d\n", how.c_str(),
                IsIconic(host.mainWindow) ? 1 : 0, IsZoomed(host.mainWindow) ? 1 : 0,
                RectText(host.mainWindow).c_str(), n.left, n.top, n.right, n.bottom,
                (placement.flags & WPF_RESTORETOMAXIMIZED) ? 1 : 0);
    return true;
}

// start,end,first: the field's selection and its first character in view.
std::string SelectionText(HWND control) {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(control, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LRESULT first = SendMessageA(control, EM_GETFIRSTVISIBLELINE, 0, 0);
    char text[64];
    std::snprintf(text, sizeof text, "%lu,%lu,%ld", start, end, static_cast<long>(first));
    return text;
}

// dragselect ID TEXT MS: TEXT put into the field, then the left button
// pressed at its left end and the mouse moved past its right edge, held
// there for MS milliseconds while messages are pumped (the edit's own timer
// scrolls the selection on meanwhile), and released. The cursor itself is
// put past the edge as well, as a real mouse would be: one edit control
// scrolls by the last WM_MOUSEMOVE, another asks where the cursor is (Wine 8
// and Wine 10 differ so), and a drag must look the same to both.
bool CmdDragSelect(HostContext& host, const std::vector<std::string>& args) {
    HWND control = Control(host, args);
    if (!control || args.size() < 3) return false;
    SetWindowTextA(control, args[1].c_str());
    RECT client = {};
    GetClientRect(control, &client);
    const LPARAM inside = MAKELPARAM(2, client.bottom / 2);
    const LPARAM beyond = MAKELPARAM(client.right + 20, client.bottom / 2);
    POINT was = {};
    GetCursorPos(&was);
    POINT past = {client.right + 20, client.bottom / 2};
    ClientToScreen(control, &past);
    SetCursorPos(past.x, past.y);
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, beyond);
    const std::string pressed = SelectionText(control);
    PumpMessages(std::atoi(args[2].c_str()));
    const std::string held = SelectionText(control);
    SendMessageA(control, WM_LBUTTONUP, 0, beyond);
    SetCursorPos(was.x, was.y);
    PumpMessages(20);
    std::printf("dragselect pressed=%s held=%s\n", pressed.c_str(), held.c_str());
    return true;
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        std::printf("monitor %ld,%ld,%ld,%ld primary=%d\n", r.left, r.top, r.right, r.bottom,
                    (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0);
    }
    return TRUE;
}

// monitors: one line per display the system reports, as the dialog sees them.
bool CmdMonitors(HostContext&, const std::vector<std::string>&) {
    return EnumDisplayMonitors(nullptr, nullptr, &PrintMonitor, 0) != FALSE;
}

bool CmdDump(HostContext& host, const std::vector<std::string>&) {
    const std::vector<HWND> dialogs = OwnedWindows(host.mainWindow, kDialogClass);
    HWND dialog = dialogs.empty() ? nullptr : dialogs.front();
    std::printf("dialog open=%d count=%zu screen=%d,%d host_rect=%s", dialog ? 1 : 0, dialogs.size(),
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), RectText(host.mainWindow).c_str());
    if (dialog) {
        HWND focus = GetFocus();
        const std::vector<HWND> tips = OwnedWindows(dialog, kTooltipClass);
        HWND balloon = tips.empty() ? nullptr : tips.front();
        std::printf(" visible=%d caption_hex=%s name_hex=%s onoff=%d metrics=%d edit=%s rect=%s focus=%d",
                    IsWindowVisible(dialog) ? 1 : 0, Hex(TextOf(dialog)).c_str(),
                    Hex(TextOf(GetDlgItem(dialog, 5145))).c_str(),
                    static_cast<int>(IsDlgButtonChecked(dialog, 5050)),
                    static_cast<int>(IsDlgButtonChecked(dialog, 5051)), TextOf(GetDlgItem(dialog, 5105)).c_str(),
                    RectText(dialog).c_str(), focus && IsChild(dialog, focus) ? GetDlgCtrlID(focus) : 0);
        std::printf(" spin_enabled=%d balloon=%d balloon_rect=%s balloon_text_hex=%s ok_hex=%s edit_rect=%s",
                    IsWindowEnabled(GetDlgItem(dialog, 5106)) ? 1 : 0, balloon && IsWindowVisible(balloon) ? 1 : 0,
                    RectText(balloon).c_str(), Hex(balloon ? TextOf(balloon) : "").c_str(),
                    Hex(TextOf(GetDlgItem(dialog, 5002))).c_str(), RectText(GetDlgItem(dialog, 5105)).c_str());
    }
    std::printf("\n");
    return true;
}

// screenshot FILE [host]: the dialog (with its balloon when shown) as a
// BMP; with "host", the host's window behind it as well.
bool CmdScreenshot(HostContext& host, const std::vector<std::string>& args) {
    HWND dialog = FindDialog(host);
    if (!dialog || args.empty()) return false;
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    PumpMessages(300);
    const std::vector<HWND> tips = OwnedWindows(dialog, kTooltipClass);
    RECT area = ShotRect(dialog, tips.empty() ? nullptr : tips.front());
    if (args.size() > 1 && args[1] == "host" && host.mainWindow) {
        RECT behind = ShotRect(host.mainWindow, nullptr);
        UnionRect(&area, &area, &behind);
    }
    const bool ok = SaveScreenRect(area, args[0]);
    std::printf("screenshot %s ok=%d\n", args[0].c_str(), ok ? 1 : 0);
    return ok;
}

// The About box runs its own modal loop; this timer, firing inside that
// loop, reports the box and closes it with its OK button.
struct AboutProbe {
    HWND dialog = nullptr;
    std::string shot;
    bool done = false;
} g_about;

void CALLBACK ProbeAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    const std::vector<HWND> boxes = OwnedWindows(g_about.dialog, kDialogClass);
    if (boxes.empty() || !IsWindowVisible(boxes.front())) return;  // not up yet
    KillTimer(nullptr, timer);
    HWND box = boxes.front();
    std::printf("about open=1 caption_hex=%s settings_enabled=%d texts=", Hex(TextOf(box)).c_str(),
                IsWindowEnabled(g_about.dialog) ? 1 : 0);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::printf("%s,", Hex(TextOf(child)).c_str());
    }
    std::printf("\n");
    if (!g_about.shot.empty()) {
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        const bool ok = SaveScreenRect(ShotRect(box, nullptr), g_about.shot);
        std::printf("screenshot %s ok=%d\n", g_about.shot.c_str(), ok ? 1 : 0);
    }
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    g_about.done = true;
}

// about [FILE]: open the About box, report it, optionally shoot it, close it.
bool CmdAbout(HostContext& host, const std::vector<std::string>& args) {
    HWND dialog = FindDialog(host);
    if (!dialog) return false;
    g_about = AboutProbe{dialog, args.empty() ? "" : args[0], false};
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, ProbeAbout);
    PostMessageA(GetDlgItem(dialog, kAboutButton), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && !g_about.done; ++i) PumpMessages(50);
    if (!g_about.done) KillTimer(nullptr, timer);
    PumpMessages(50);
    std::printf("about closed=%d\n", g_about.done && OwnedWindows(dialog, kDialogClass).empty() ? 1 : 0);
    return g_about.done;
}

// fieldtimer ID MS: a timer of the host's own on the number field, with
// an id a system control might use for a timer of its own there, counted by
// a timer procedure (so its WM_TIMER never reaches the field's procedure).
std::map<UINT_PTR, long> g_fieldTicks;

void CALLBACK CountFieldTick(HWND, UINT, UINT_PTR id, DWORD) { ++g_fieldTicks[id]; }

bool CmdFieldTimer(HostContext& host, const std::vector<std::string>& args) {
    HWND dialog = FindDialog(host);
    HWND field = dialog ? GetDlgItem(dialog, kNumberField) : nullptr;
    if (!field || args.size() < 2) return false;
    const auto id = static_cast<UINT_PTR>(std::strtoul(args[0].c_str(), nullptr, 10));
    g_fieldTicks[id] = 0;
    return SetTimer(field, id, static_cast<UINT>(std::atoi(args[1].c_str())), CountFieldTick) != 0;
}

// fieldticks: how often each of those timers fired since the last fieldticks.
bool CmdFieldTicks(HostContext&, const std::vector<std::string>&) {
    std::printf("fieldticks");
    for (auto& [id, ticks] : g_fieldTicks) {
        std::printf(" %lu=%ld", static_cast<unsigned long>(id), ticks);
        ticks = 0;
    }
    std::printf("\n");
    return true;
}

}  // namespace

HWND FindDialog(const HostContext& host) {
    const std::vector<HWND> dialogs = OwnedWindows(host.mainWindow, kDialogClass);
    return dialogs.empty() ? nullptr : dialogs.front();
}

void RegisterDialogCommands() {
    RegisterCommand("click", CmdClick);
    RegisterCommand("command", CmdCommand);
    RegisterCommand("focus", CmdFocus);
    RegisterCommand("type", CmdType);
    RegisterCommand("clear", CmdClear);
    RegisterCommand("key", CmdKey);
    RegisterCommand("close", CmdClose);
    RegisterCommand("move", CmdMove);
    RegisterCommand("enable", CmdEnable);
    RegisterCommand("hostmove", CmdHostMove);
    RegisterCommand("hostshow", CmdHostShow);
    RegisterCommand("dragselect", CmdDragSelect);
    RegisterCommand("dump", CmdDump);
    RegisterCommand("monitors", CmdMonitors);
    RegisterCommand("screenshot", CmdScreenshot);
    RegisterCommand("about", CmdAbout);
    RegisterCommand("fieldtimer", CmdFieldTimer);
    RegisterCommand("fieldticks", CmdFieldTicks);
}

}  // namespace zek_host
