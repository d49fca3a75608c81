// The host's "TMain" windows: they answer the language query and record the
// zoom commands they receive.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace zek_host {

// The answer to HOST_CMD_GET_LANGUAGE; 0 means the host gives none.
void SetLanguageAnswer(uint32_t answer);
// How long the window takes over each zoom command: a slow but responsive host.
void SetZoomDelay(int ms);

// Zoom commands the host's windows have received so far.
long ZoomCommands();

HWND CreateHostWindow(const std::string& title, bool visible);

}  // namespace zek_host
