#include "plugin/host_windows.h"

#include "base/bounded_send.h"
#include "base/command_line.h"
#include "base/plugin_abi.h"

namespace zek {

std::string HostCommandLine() {
    const char* line = GetCommandLineA();
    return line ? std::string(line) : std::string();
}

HWND FindHostWindow(const std::string& instanceSuffix) {
    return FindWindowA(kHostWindowClass, HostWindowTitle(instanceSuffix).c_str());
}

// The zoom command waits for the host while its window thread handles
// messages, so a responsive host has zoomed before Process returns. A host
// that does not answer within the bound gets the same command queued without
// waiting (SendNotifyMessage), and the rule that keeps the newest value last
// is that every command, waited for or not, goes through the one queue of
// messages sent to the window's thread, which that thread handles first in,
// first out: a queued older value is always handled before any later one.
// (A posted copy would not do: the thread handles sent messages before
// posted ones, so a later sent value could overtake it.) Windows removes a
// sent message that timed out before its thread took it, as Wine does, and
// lets one already taken run to completion; in that second case the host
// merely gets the same value twice.
void SendZoomCommand(HWND hostMainWindow, int32_t zoom) {
    // The outcome is not examined otherwise: the zoom counts as applied.
    if (!hostMainWindow) return;
    const LPARAM value = static_cast<LPARAM>(zoom);
    if (SendWithinBound(hostMainWindow, kWmHostCommand, kHostCmdSetZoom, value, nullptr)) return;
    SendNotifyMessageA(hostMainWindow, kWmHostCommand, kHostCmdSetZoom, value);
}

// Asked while the module loads too, under the system's loader lock: a host
// that loads its plug-ins on a worker and waits for it never answers, and
// that counts as no answer.
uint16_t AskHostLanguage() {
    HWND host = FindWindowA(kHostWindowClass, LanguageQueryTitle(HostCommandLine()).c_str());
    if (!host) return 0;
    LRESULT answer = 0;
    if (!SendWithinBound(host, kWmHostCommand, kHostCmdGetLanguage, 0, &answer)) return 0;
    return static_cast<uint16_t>(static_cast<uintptr_t>(answer) & 0xFFFF);
}

void PostSettingsRefresh(HWND dialog) { PostMessageA(dialog, kWmSettingsRefresh, 0, 0); }

}  // namespace zek
