// The reference host's script: commands run in order on the host's thread,
// with window messages pumped between them and after every frame.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "plugin/plugin_abi.h"

namespace zek_host {

struct FrameSource;

struct HostContext {
    HWND mainWindow = nullptr;     // the "TMain" window the plug-in should find
    PluginDescriptor* plugin = nullptr;
    PluginDescriptorFn describe = nullptr;
    FrameSource* frames = nullptr;
    int32_t width = 720;
    int32_t height = 576;
    int32_t pixelFormat = 0;
    uint64_t channelId = 17;
    std::string channelName = "Channel 17";
    std::vector<uint8_t> lastFrame;  // the bytes of the last frame processed
    long framesProcessed = 0;
};

// A command gets its words after the name; false stops the script.
using CommandFn = bool (*)(HostContext& host, const std::vector<std::string>& args);

void RegisterCommand(const char* name, CommandFn fn);
bool RunScript(HostContext& host, const std::string& script);

// Handles whatever messages are queued, then keeps pumping for ms.
void PumpMessages(int ms);

// Frames processed so far, for the zoom lines the window prints.
long FramesProcessed();

// The dialog commands live in their own file.
void RegisterDialogCommands();

}  // namespace zek_host
