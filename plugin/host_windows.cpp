#include "plugin/host_windows.h"

#include "plugin/command_line.h"
#include "plugin/plugin_abi.h"

namespace zek {

std::string HostCommandLine() {
    const char* line = GetCommandLineA();
    return line ? std::string(line) : std::string();
}

HWND FindHostWindow(const std::string& instanceSuffix) {
    return FindWindowA(kHostWindowClass, HostWindowTitle(instanceSuffix).c_str());
}

void SendZoomCommand(HWND hostMainWindow, int32_t zoom) {
    // The outcome is not examined: the zoom counts as applied once sent.
    if (hostMainWindow) SendMessageA(hostMainWindow, kWmHostCommand, kHostCmdSetZoom, static_cast<LPARAM>(zoom));
}

uint16_t AskHostLanguage() {
    HWND host = FindWindowA(kHostWindowClass, LanguageQueryTitle(HostCommandLine()).c_str());
    if (!host) return 0;
    const LRESULT answer = SendMessageA(host, kWmHostCommand, kHostCmdGetLanguage, 0);
    return static_cast<uint16_t>(static_cast<uintptr_t>(answer) & 0xFFFF);
}

void PostSettingsRefresh(HWND dialog) { PostMessageA(dialog, kWmSettingsRefresh, 0, 0); }

}  // namespace zek
