// Commands that call the plug-in from a thread of the host's own while the
// window thread waits for that thread, the ways viewers wait:
//   video MODE CMD, CMD, ...  the commands (start, frames, channel, stop, ...)
//                             on a video thread
//   donethread MODE           Done on a thread of its own
//   unload                    the plug-in unloaded, as a viewer unloads it
//   phase                     (on the video thread) the window thread's
//                             wait moves on from block to sent
// MODE says how the window thread waits meanwhile:
//   block  handling no message at all (a media graph's Stop waiting for its
//          streaming thread)
//   sent   handling only the messages sent to it, never the posted ones
//   pump   handling every message, as its message loop does
//   block-sent  block until the video thread says phase, then sent
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/entry_calls.h"
#include "host/host_commands.h"
#include "host/process_watch.h"

namespace zek_host {
namespace {

const char* const kModeNames[] = {"block", "sent", "pump", "block-sent"};
HANDLE g_phase = nullptr;  // set by `phase`, for block-sent

bool ParseMode(const std::vector<std::string>& args, WaitMode& mode) {
    for (int i = 0; i < 4; ++i) {
        if (!args.empty() && args[0] == kModeNames[i]) {
            mode = static_cast<WaitMode>(i);
            return true;
        }
    }
    return false;
}

DWORD WINAPI RunWork(LPVOID work) {
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

bool CmdVideo(HostContext& host, const std::vector<std::string>& args) {
    WaitMode mode;
    if (!ParseMode(args, mode)) return false;
    std::string script;
    for (size_t i = 1; i < args.size(); ++i) script += args[i] + " ";
    for (char& c : script) c = c == ',' ? ';' : c;
    Watch().Reset();
    const long before = FramesProcessed();
    bool ok = false;
    const long waited = RunOnThread([&] { ok = RunScript(host, script); }, mode);
    std::printf("video mode=%s frames=%ld longest_process_ms=%ld zooms_in_process=%ld zooms_after=%ld waited_ms=%ld\n",
                kModeNames[static_cast<int>(mode)], FramesProcessed() - before, Watch().longestMs.load(),
                Watch().zoomsInProcess.load(), Watch().zoomsAfter.load(), waited);
    return ok && waited >= 0;
}

bool CmdDoneThread(HostContext& host, const std::vector<std::string>& args) {
    WaitMode mode;
    if (!ParseMode(args, mode) || !host.plugin) return false;
    const long waited = RunOnThread([&] { CallEntry(host.plugin->done); }, mode);
    std::printf("donethread mode=%s waited_ms=%ld\n", kModeNames[static_cast<int>(mode)], waited);
    return waited >= 0;
}

bool CmdPhase(HostContext&, const std::vector<std::string>&) { return g_phase && SetEvent(g_phase); }

bool CmdUnload(HostContext& host, const std::vector<std::string>&) {
    if (!host.module) return false;
    FreeLibrary(host.module);
    host.module = nullptr;
    host.plugin = nullptr;
    host.describe = nullptr;
    std::printf("unloaded\n");
    return true;
}

}  // namespace

long RunOnThread(const std::function<void()>& work, WaitMode mode) {
    if (!g_phase) g_phase = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ResetEvent(g_phase);
    HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (!thread) return -1;
    const DWORD began = GetTickCount();
    if (mode == WaitMode::BlockThenSent) {
        const HANDLE either[2] = {thread, g_phase};
        if (WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) mode = WaitMode::Sent;
    }
    if (mode == WaitMode::Block || mode == WaitMode::BlockThenSent) {
        WaitForSingleObject(thread, INFINITE);
    } else {
        const DWORD wake = mode == WaitMode::Sent ? QS_SENDMESSAGE : QS_ALLINPUT;
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, wake) != WAIT_OBJECT_0) {
            MSG msg;
            // Peeking for sent messages only handles them and leaves every
            // posted one in the queue.
            if (mode == WaitMode::Sent) PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            else PumpMessages(0);
        }
    }
    CloseHandle(thread);
    return static_cast<long>(GetTickCount() - began);
}

void RegisterThreadCommands() {
    RegisterCommand("video", CmdVideo);
    RegisterCommand("donethread", CmdDoneThread);
    RegisterCommand("unload", CmdUnload);
    RegisterCommand("phase", CmdPhase);
}

}  // namespace zek_host
