// Commands that call the plug-in from a thread of the host's own while the
// window thread waits for that thread, the ways viewers wait:
//   video MODE CMD, CMD, ...  the commands (start, frames, channel, stop, ...)
//                             on a video thread
//   donethread MODE           Done on a thread of its own
//   unload                    the plug-in unloaded, as a viewer unloads it;
//                             says whether the module is still mapped (it
//                             pins itself when a thread may return into it)
//   phase                     (on the video thread) the window thread's
//                             wait moves on from block to sent
//   hold WHERE MODE           the next time the window thread is at WHERE,
//                             Done and the unload run on a thread of their
//                             own while it waits there in MODE; MODE `here`
//                             runs them on the window thread, at WHERE
// MODE says how the window thread waits meanwhile:
//   block  handling no message at all (a media graph's Stop waiting for its
//          streaming thread)
//   sent   handling only the messages sent to it, never the posted ones
//   pump   handling every message, as its message loop does
//   block-sent  block until the video thread says phase, then sent
// WHERE is one of
//   refresh  inside the dialog's refresh handler, as it sets the channel
//            name (a hook of the host's sees the text sent to the control)
//   timer    a WM_TIMER for the dialog or one of its controls just taken
//            from the queue and not yet dispatched
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

void Unload(HostContext& host) {
    // The descriptor lies inside the module: whether any module still holds
    // its address after FreeLibrary says whether the module stayed.
    const auto inside = reinterpret_cast<LPCWSTR>(host.plugin);
    FreeLibrary(host.module);
    host.module = nullptr;
    host.plugin = nullptr;
    host.describe = nullptr;
    HMODULE still = nullptr;
    const bool mapped = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                           inside, &still) != FALSE;
    std::printf("unloaded mapped=%d\n", mapped ? 1 : 0);
}

bool CmdUnload(HostContext& host, const std::vector<std::string>&) {
    if (!host.module) return false;
    Unload(host);
    return true;
}

constexpr int kChannelNameId = 5145;

// One armed hold; its hook goes as soon as it fires.
struct Hold {
    HostContext* host = nullptr;
    std::string where;
    WaitMode mode = WaitMode::Block;
    bool here = false;
    HWND dialog = nullptr;
    HHOOK hook = nullptr;
} g_hold;

std::string Describe(HWND window) {
    if (window == g_hold.dialog) return "dialog";
    return "control" + std::to_string(GetDlgCtrlID(window));
}

// The window thread is at the hold's place: Done and the unload now.
void Fire(HWND target) {
    UnhookWindowsHookEx(g_hold.hook);
    g_hold.hook = nullptr;
    const std::string described = Describe(target);  // the window may be gone afterwards
    HostContext& host = *g_hold.host;
    const auto doneAndUnload = [&host] {
        CallEntry(host.plugin->done);
        Unload(host);
    };
    long waited = 0;
    if (g_hold.here) doneAndUnload();
    else waited = RunOnThread(doneAndUnload, g_hold.mode);
    std::printf("held at=%s mode=%s waited_ms=%ld target=%s\n", g_hold.where.c_str(),
                g_hold.here ? "here" : kModeNames[static_cast<int>(g_hold.mode)], waited, described.c_str());
}

// Called on the window thread before a procedure gets a message sent to
// one of its windows, a send from that same thread included.
LRESULT CALLBACK HoldInRefresh(int code, WPARAM sender, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_hold.hook && call->message == WM_SETTEXT &&
        GetDlgCtrlID(call->hwnd) == kChannelNameId && GetParent(call->hwnd) == g_hold.dialog) {
        Fire(call->hwnd);
    }
    return CallNextHookEx(nullptr, code, sender, lParam);
}

// Called on the window thread with each message its queue hands out. Only
// the dialog's and its controls' timers count, not those of the windows it
// owns (the balloon's tooltip keeps timers of its own).
LRESULT CALLBACK HoldAtTimer(int code, WPARAM removal, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE && g_hold.hook && msg->message == WM_TIMER && msg->hwnd &&
        (msg->hwnd == g_hold.dialog || IsChild(g_hold.dialog, msg->hwnd))) {
        Fire(msg->hwnd);
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

bool CmdHold(HostContext& host, const std::vector<std::string>& args) {
    if (args.size() < 2 || !host.plugin || g_hold.hook) return false;
    g_hold.host = &host;
    g_hold.where = args[0];
    g_hold.here = args[1] == "here";
    if (!g_hold.here && !ParseMode({args[1]}, g_hold.mode)) return false;
    g_hold.dialog = FindDialog(host);
    if (!g_hold.dialog) return false;
    const int kind = g_hold.where == "refresh" ? WH_CALLWNDPROC : g_hold.where == "timer" ? WH_GETMESSAGE : -1;
    if (kind < 0) return false;
    g_hold.hook = SetWindowsHookExA(kind, kind == WH_CALLWNDPROC ? HoldInRefresh : HoldAtTimer, nullptr,
                                    GetCurrentThreadId());
    return g_hold.hook != nullptr;
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
    RegisterCommand("hold", CmdHold);
}

}  // namespace zek_host
