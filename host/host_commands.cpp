#include "host/host_commands.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "host/entry_calls.h"
#include "host/frame_source.h"
#include "host/host_window.h"
#include "host/process_watch.h"

namespace zek_host {
namespace {

std::map<std::string, CommandFn>& Registry() {
    static std::map<std::string, CommandFn> commands;
    return commands;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

int32_t ProcessOne(HostContext& host, void* pixels) {
    std::vector<uint8_t> record = ChannelRecord(host);
    FrameInfo frame = {};
    frame.pixels = pixels;
    frame.channel = reinterpret_cast<ChannelInfo*>(record.data());
    host.framesProcessed = CountFrame();
    ProcessWatch& watch = Watch();
    const DWORD began = GetTickCount();
    watch.inProcess = true;
    const int32_t result = CallEntry(host.plugin->process, &frame);
    watch.inProcess = false;
    const long took = static_cast<long>(GetTickCount() - began);
    if (took > watch.longestMs) watch.longestMs = took;
    if (result != 1) std::printf("process frame=%ld result=%d\n", host.framesProcessed, static_cast<int>(result));
    return result;
}

bool CmdStart(HostContext& host, const std::vector<std::string>& args) {
    StartInfo info = {};
    info.width = args.size() > 0 ? std::atoi(args[0].c_str()) : host.width;
    info.height = args.size() > 1 ? std::atoi(args[1].c_str()) : host.height;
    info.pixelFormat = args.size() > 2 ? std::atoi(args[2].c_str()) : host.pixelFormat;
    const int32_t result = CallEntry(host.plugin->start, &info);
    std::printf("start width=%d height=%d format=%d result=%d\n", info.width, info.height, info.pixelFormat,
                static_cast<int>(result));
    return true;
}

// Said once, when the stream runs out: how many whole frames it held, and a
// last frame cut short or a failed read, which end it as well.
void PrintStreamEnd(const FrameSource& frames) {
    std::printf("input end frames=%ld", frames.FramesRead());
    if (frames.PartialBytes()) std::printf(" partial_bytes=%zu of=%zu", frames.PartialBytes(), frames.FrameBytes());
    if (frames.ReadError()) std::printf(" read_error=%lu", static_cast<unsigned long>(frames.ReadError()));
    std::printf("\n");
}

// The frame as the plug-in left it, named for its count, for a picture of
// what the zoom command answered.
void WriteZoomFrame(const HostContext& host) {
    const std::string path = host.zoomFrames + "\\zoom-" + std::to_string(host.framesProcessed) + ".raw";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool written = f && std::fwrite(host.lastFrame.data(), 1, host.lastFrame.size(), f) == host.lastFrame.size();
    if (f) std::fclose(f);
    if (!written) std::printf("error cannot write %s\n", path.c_str());
}

// "all" plays a stream to its end, the synthetic picture once; N frames
// stop early at the end of a stream.
bool CmdFrames(HostContext& host, const std::vector<std::string>& args) {
    if (!host.frames) return false;
    const bool all = args.empty() || args[0] == "all";
    const long count = all ? (host.frames->Streaming() ? -1 : 1) : std::atol(args[0].c_str());
    DWORD lastProgress = GetTickCount();
    for (long i = 0; count < 0 || i < count; ++i) {
        if (!host.frames->Next(host.lastFrame)) {
            if (!host.inputEnded) PrintStreamEnd(*host.frames);
            host.inputEnded = true;
            break;
        }
        const long zoomsBefore = ZoomCommands();
        ProcessOne(host, host.lastFrame.data());
        PumpMessages(0);
        if (!host.zoomFrames.empty() && ZoomCommands() != zoomsBefore) WriteZoomFrame(host);
        if (host.progressMs > 0 && static_cast<LONG>(GetTickCount() - lastProgress) >= host.progressMs) {
            lastProgress = GetTickCount();
            std::printf("progress frames=%ld\n", host.framesProcessed);
        }
    }
    return true;
}

bool CmdNull(HostContext& host, const std::vector<std::string>&) {
    const int32_t result = ProcessOne(host, nullptr);
    std::printf("null frame=%ld result=%d\n", host.framesProcessed, static_cast<int>(result));
    return true;
}

bool CmdChannel(HostContext& host, const std::vector<std::string>& args) {
    if (args.empty()) return false;
    host.channelId = static_cast<uint64_t>(std::strtoll(args[0].c_str(), nullptr, 10));
    host.channelName = args.size() > 1 ? args[1] : "Channel " + args[0];
    return true;
}

bool CmdStop(HostContext& host, const std::vector<std::string>&) {
    CallEntry(host.plugin->stop);
    std::printf("stop\n");
    return true;
}

bool CmdSetup(HostContext& host, const std::vector<std::string>&) {
    HWND parent = host.mainWindow;
    HWND__** parentPointer = &parent;
    CallEntry(host.plugin->setup, parentPointer);
    std::printf("setup\n");
    return true;
}

bool CmdDone(HostContext& host, const std::vector<std::string>&) {
    CallEntry(host.plugin->done);
    std::printf("done\n");
    return true;
}

bool CmdPump(HostContext&, const std::vector<std::string>& args) {
    PumpMessages(args.empty() ? 0 : std::atoi(args[0].c_str()));
    return true;
}

bool CmdLanguage(HostContext&, const std::vector<std::string>& args) {
    SetLanguageAnswer(args.empty() ? 0 : static_cast<uint32_t>(std::strtoul(args[0].c_str(), nullptr, 0)));
    return true;
}

void PrintHex(const char* label, const char* text) {
    std::printf(" %s_hex=", label);
    for (const char* p = text; *p; ++p) std::printf("%02x", static_cast<unsigned char>(*p));
}

bool CmdDescribe(HostContext& host, const std::vector<std::string>&) {
    host.plugin = CallEntry(host.describe);
    std::printf("descriptor address=%p", static_cast<void*>(host.plugin));
    PrintHex("name", host.plugin->name);
    PrintHex("description", host.plugin->description);
    std::printf("\nname: %s\ndescription: %s\n", host.plugin->name, host.plugin->description);
    return true;
}

// Writes the bytes of the last frame processed, as the plug-in left them.
bool CmdDumpFrame(HostContext& host, const std::vector<std::string>& args) {
    if (args.empty()) return false;
    std::FILE* f = std::fopen(args[0].c_str(), "wb");
    if (!f) return false;
    std::fwrite(host.lastFrame.data(), 1, host.lastFrame.size(), f);
    std::fclose(f);
    std::printf("dumpframe %s bytes=%zu\n", args[0].c_str(), host.lastFrame.size());
    return true;
}

}  // namespace

std::vector<uint8_t> ChannelRecord(const HostContext& host) {
    std::vector<uint8_t> record(offsetof(ChannelInfo, name) + host.channelName.size() + 1, 0);
    auto* info = reinterpret_cast<ChannelInfo*>(record.data());
    info->idLow = static_cast<uint32_t>(host.channelId);
    info->idHigh = static_cast<uint32_t>(host.channelId >> 32);
    std::memcpy(info->name, host.channelName.c_str(), host.channelName.size() + 1);
    return record;
}

void RegisterCommand(const char* name, CommandFn fn) { Registry()[name] = fn; }

void PumpMessages(int ms) {
    const DWORD until = GetTickCount() + static_cast<DWORD>(ms < 0 ? 0 : ms);
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // Dialog windows get their keyboard navigation as a real host gives it.
            HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
            if (top && top != msg.hwnd && IsDialogMessageA(top, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (static_cast<LONG>(GetTickCount() - until) >= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool RunScript(HostContext& host, const std::string& script) {
    static bool builtIns = false;
    if (!builtIns) {
        RegisterCommand("start", CmdStart);
        RegisterCommand("frames", CmdFrames);
        RegisterCommand("null", CmdNull);
        RegisterCommand("channel", CmdChannel);
        RegisterCommand("stop", CmdStop);
        RegisterCommand("setup", CmdSetup);
        RegisterCommand("done", CmdDone);
        RegisterCommand("pump", CmdPump);
        RegisterCommand("lang", CmdLanguage);
        RegisterCommand("pr", CmdDescribe);
        RegisterCommand("dumpframe", CmdDumpFrame);
        RegisterDialogCommands();
        RegisterThreadCommands();
        RegisterBenchCommands();
        builtIns = true;
    }
    std::istringstream in(script);
    for (std::string step; std::getline(in, step, ';');) {
        std::vector<std::string> words = Words(step);
        if (words.empty()) continue;
        auto found = Registry().find(words[0]);
        if (found == Registry().end()) {
            std::printf("error unknown command %s\n", words[0].c_str());
            return false;
        }
        words.erase(words.begin());
        if (!found->second(host, words)) {
            std::printf("error command failed: %s\n", step.c_str());
            return false;
        }
        std::fflush(stdout);
        PumpMessages(0);
    }
    return true;
}

}  // namespace zek_host
