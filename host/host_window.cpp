#include "host/host_window.h"

#include <atomic>
#include <cstdio>

#include "host/process_watch.h"
#include "base/command_line.h"
#include "base/plugin_abi.h"

namespace zek_host {
namespace {

uint32_t g_languageAnswer = 0;
int g_zoomDelayMs = 0;
std::atomic<long> g_zoomCommands{0};  // counted on the window's thread, read on the frames'

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWmHostCommand) {
        char title[256] = {};
        GetWindowTextA(window, title, sizeof title);
        if (wParam == kHostCmdSetZoom) {
            if (g_zoomDelayMs > 0) Sleep(static_cast<DWORD>(g_zoomDelayMs));
            ++(Watch().inProcess ? Watch().zoomsInProcess : Watch().zoomsAfter);
            ++g_zoomCommands;
            std::printf("zoom frame=%ld window=%s value=%d\n", FramesProcessed(), title,
                        static_cast<int>(static_cast<int32_t>(lParam)));
            std::fflush(stdout);
            return 0;
        }
        if (wParam == kHostCmdGetLanguage) {
            std::printf("language-query window=%s answer=%u\n", title, g_languageAnswer);
            std::fflush(stdout);
            return static_cast<LRESULT>(g_languageAnswer);
        }
        return 0;
    }
    if (message == WM_CLOSE) return 0;  // only the script ends the host
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void SetLanguageAnswer(uint32_t answer) { g_languageAnswer = answer; }
void SetZoomDelay(int ms) { g_zoomDelayMs = ms; }
long ZoomCommands() { return g_zoomCommands; }

HWND CreateHostWindow(const std::string& title, bool visible) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = zek::kHostWindowClass;
        if (!RegisterClassA(&wc)) return nullptr;
        registered = true;
    }
    HWND window = CreateWindowExA(0, zek::kHostWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 100, 100, 640,
                                  480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window && visible) ShowWindow(window, SW_SHOW);
    return window;
}

}  // namespace zek_host
