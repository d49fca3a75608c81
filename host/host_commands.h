// The reference host's script: commands run in order on the host's thread,
// with window messages pumped between them and after every frame.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/plugin_abi.h"

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
    int progressMs = 0;              // a progress line this often while frames play; 0: none
    std::string zoomFrames;          // a folder for the frames that brought zoom commands
    bool inputEnded = false;         // the stream has run out, and the host has said so
    HMODULE module = nullptr;        // null once the script unloaded it
};

// The channel record the host hands with each frame; the name is stored in
// the record itself, so the record is as long as the name needs.
std::vector<uint8_t> ChannelRecord(const HostContext& host);

// A command gets its words after the name; false stops the script.
using CommandFn = bool (*)(HostContext& host, const std::vector<std::string>& args);

void RegisterCommand(const char* name, CommandFn fn);
bool RunScript(HostContext& host, const std::string& script);

// Handles whatever messages are queued, then keeps pumping for ms.
void PumpMessages(int ms);

// How the window thread waits for another thread of the host: handling no
// message, only sent ones, or all of them; or none until the other thread's
// `phase` command, then only sent ones.
enum class WaitMode { Block, Sent, Pump, BlockThenSent };
// Runs work on a new thread and waits for it so; the milliseconds waited,
// or -1 when no thread could be made.
long RunOnThread(const std::function<void()>& work, WaitMode mode);

// The dialog commands live in their own file, and so do those that run
// entry points on threads of their own, and the timing of Process.
void RegisterDialogCommands();
void RegisterThreadCommands();
void RegisterBenchCommands();

// The plug-in's settings dialog (owned by the host's main window), or null.
HWND FindDialog(const HostContext& host);

}  // namespace zek_host
