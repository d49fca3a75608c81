// The host's main window and the messages exchanged with it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace zek {

std::string HostCommandLine();

// The top-level "TMain" window of the instance with this suffix, or null.
[[nodiscard]] HWND FindHostWindow(const std::string& instanceSuffix);

// HOST_CMD_SET_ZOOM, sent: returns once the host has handled it, or after
// the bound with the command queued for the host's window thread.
void SendZoomCommand(HWND hostMainWindow, int32_t zoom);

// HOST_CMD_GET_LANGUAGE to the window the language query names; the low word
// of the answer, 0 when there is no window, no language or no answer in time.
[[nodiscard]] uint16_t AskHostLanguage();

// WM_SETTINGS_REFRESH, posted, to the settings dialog's window.
void PostSettingsRefresh(HWND dialog);

}  // namespace zek
