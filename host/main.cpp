// The reference host: plays the TV viewer's part for the plug-in. It owns a
// "TMain" window titled as the viewer titles its own, answers the language
// query, records the zoom commands, and drives the plug-in's entry points
// with real frames, printing one plain line for everything that happens.
//
//   zek_host [-inst:N | /inst:N] [--dll PATH] [--input FILE|- | --pattern band:N|flat:Y]
//            [--width W] [--height H] [--format F] [--channel ID] [--channel-name NAME]
//            [--language N] [--no-window] [--decoy TITLE] [--keep all|none|ID,ID...]
//            [--misalign-stack] [--load-on-worker] [--zoom-delay MS]
//            [--progress MS] [--zoom-frames FOLDER]
//            [--do "start; frames 30; stop; done"]
//
// --input - reads the frames from the standard input, as a decoder writes
// them into a pipe.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "host/cpu_features.h"
#include "host/entry_calls.h"
#include "host/frame_source.h"
#include "host/host_commands.h"
#include "host/host_window.h"
#include "host/process_watch.h"
#include "base/command_line.h"

namespace {

// How the host answers KeepChannel at save time.
enum class KeepMode { All, None, Listed };
struct KeepAnswers {
    KeepMode mode = KeepMode::All;
    std::set<int64_t> ids;  // for Listed
};
// The callback has no context of its own.
KeepAnswers g_keep;

int32_t ZEK_CDECL KeepChannel(uint32_t idLow, uint32_t idHigh) {
    const int64_t id = static_cast<int64_t>((static_cast<uint64_t>(idHigh) << 32) | idLow);
    const int32_t answer = g_keep.mode == KeepMode::All ? 1 : g_keep.mode == KeepMode::None ? 0 : g_keep.ids.count(id) ? 1 : 0;
    std::printf("keep id=%lld answer=%d\n", static_cast<long long>(id), static_cast<int>(answer));
    return answer;
}

// "all" changes nothing, so a repeated --keep adds to what came before.
void ParseKeep(const std::string& value, KeepAnswers& keep) {
    if (value == "all") return;
    keep.mode = value == "none" ? KeepMode::None : KeepMode::Listed;
    size_t start = 0;
    while (keep.mode == KeepMode::Listed && start <= value.size()) {
        const size_t comma = value.find(',', start);
        keep.ids.insert(std::strtoll(value.substr(start, comma - start).c_str(), nullptr, 10));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

// Everything the command line asks for, gathered before anything runs.
struct Arguments {
    zek_host::HostContext host;  // the stream's format and the channel played
    std::string dll;             // from --dll; otherwise the module beside the host
    std::string input;
    std::string pattern = "band:60";
    std::string script = "start; frames all; stop; done";
    std::vector<std::string> decoys;
    bool window = true;
    bool misalign = false;
    bool loadOnWorker = false;
    uint32_t language = 0;
    int zoomDelayMs = 0;
    KeepAnswers keep;
};

// One flag: whether the next argument is its value, and what it sets.
struct Flag {
    const char* name;
    bool takesValue;
    void (*apply)(Arguments& a, const std::string& value);
};

const Flag kFlags[] = {
    {"--dll", true, [](Arguments& a, const std::string& v) { a.dll = v; }},
    {"--input", true, [](Arguments& a, const std::string& v) { a.input = v; }},
    {"--pattern", true, [](Arguments& a, const std::string& v) { a.pattern = v; }},
    {"--width", true, [](Arguments& a, const std::string& v) { a.host.width = std::atoi(v.c_str()); }},
    {"--height", true, [](Arguments& a, const std::string& v) { a.host.height = std::atoi(v.c_str()); }},
    {"--format", true, [](Arguments& a, const std::string& v) { a.host.pixelFormat = std::atoi(v.c_str()); }},
    {"--channel", true,
     [](Arguments& a, const std::string& v) { a.host.channelId = static_cast<uint64_t>(std::strtoll(v.c_str(), nullptr, 10)); }},
    {"--channel-name", true, [](Arguments& a, const std::string& v) { a.host.channelName = v; }},
    {"--language", true,
     [](Arguments& a, const std::string& v) { a.language = static_cast<uint32_t>(std::strtoul(v.c_str(), nullptr, 0)); }},
    {"--no-window", false, [](Arguments& a, const std::string&) { a.window = false; }},
    {"--decoy", true, [](Arguments& a, const std::string& v) { a.decoys.push_back(v); }},
    {"--keep", true, [](Arguments& a, const std::string& v) { ParseKeep(v, a.keep); }},
    {"--do", true, [](Arguments& a, const std::string& v) { a.script = v; }},
    {"--misalign-stack", false, [](Arguments& a, const std::string&) { a.misalign = true; }},
    {"--load-on-worker", false, [](Arguments& a, const std::string&) { a.loadOnWorker = true; }},
    {"--zoom-delay", true, [](Arguments& a, const std::string& v) { a.zoomDelayMs = std::atoi(v.c_str()); }},
    {"--progress", true, [](Arguments& a, const std::string& v) { a.host.progressMs = std::atoi(v.c_str()); }},
    {"--zoom-frames", true, [](Arguments& a, const std::string& v) { a.host.zoomFrames = v; }},
};

// Unknown arguments are passed over: -inst:N and /inst:N are the viewer's
// own switches, which the plug-in reads from this process's command line.
// A flag whose value is missing at the end gets an empty one.
Arguments ParseArguments(int argc, char** argv) {
    Arguments a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        for (const Flag& flag : kFlags) {
            if (arg != flag.name) continue;
            const bool hasValue = flag.takesValue && i + 1 < argc;
            flag.apply(a, hasValue ? std::string(argv[++i]) : std::string());
            break;
        }
    }
    // The default name follows a channel given without one.
    if (a.host.channelName == "Channel 17" && a.host.channelId != 17) {
        a.host.channelName = "Channel " + std::to_string(a.host.channelId);
    }
    return a;
}

// Wide, so that the host runs from a folder the ANSI code page cannot spell.
std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// The stream of the file or the standard input, or the synthetic picture;
// an error text, or empty.
std::string PrepareFrames(const Arguments& args, zek_host::FrameSource& frames) {
    std::string error;
    const bool made = !args.input.empty() ? frames.OpenStream(args.input, error) : frames.MakePattern(args.pattern, error);
    return made ? std::string() : error;
}

// The viewer's main window, titled for its instance, and any decoys beside
// it; an error text, or empty.
std::string OpenWindows(const Arguments& args, zek_host::HostContext& host) {
    const std::string title = zek::HostWindowTitle(zek::InstanceSuffix(GetCommandLineA()));
    if (args.window) {
        host.mainWindow = zek_host::CreateHostWindow(title, true);
        if (!host.mainWindow) return "no window (is there an X display?)";
        std::printf("window %s\n", title.c_str());
    }
    for (const std::string& decoy : args.decoys) {
        if (!zek_host::CreateHostWindow(decoy, false)) return "no decoy window";
        std::printf("window %s\n", decoy.c_str());
    }
    return std::string();
}

// The module, its version and its descriptor, as a viewer takes them; an
// error text, or empty.
std::string LoadPlugin(zek_host::HostContext& host, const std::string& dll) {
    host.module =
        dll.empty() ? LoadLibraryW((ExeFolder() + L"ZEK_DideZede.dll").c_str()) : LoadLibraryA(dll.c_str());
    if (!host.module) return "cannot load " + (dll.empty() ? std::string("ZEK_DideZede.dll") : dll);
    auto version = reinterpret_cast<PluginVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(host.module, "Korvisan_Plugin_Version")));
    host.describe = reinterpret_cast<PluginDescriptorFn>(
        reinterpret_cast<void*>(GetProcAddress(host.module, "Korvisan_Plugin_PR")));
    if (!version || !host.describe) return "the module lacks the plug-in exports";
    std::printf("version %d\n", static_cast<int>(zek_host::CallEntry(version)));
    if (!zek_host::RunScript(host, "pr")) return "no descriptor";
    return std::string();
}

// A viewer may load its plug-ins on a worker while its window thread waits
// for the worker without handling messages.
std::string LoadPluginAsAsked(const Arguments& args, zek_host::HostContext& host) {
    if (!args.loadOnWorker) return LoadPlugin(host, args.dll);
    std::string error;
    const long waited = zek_host::RunOnThread([&] { error = LoadPlugin(host, args.dll); }, zek_host::WaitMode::Block);
    std::printf("worker-load waited_ms=%ld\n", waited);
    return error;
}

// The most memory the process has held: what a stream of any length must
// keep to a few frames.
void PrintPeakMemory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return;
    std::printf("memory peak_working_set_kb=%lu peak_private_kb=%lu\n",
                static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024),
                static_cast<unsigned long>(counters.PeakPagefileUsage / 1024));
}

int Fail(const std::string& message) {
    std::printf("error %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Unbuffered: a host that dies (killed, or its Wine session gone) has
    // still handed over every line up to that point. The Windows C runtime
    // has no line buffering, and refuses _IOLBF with a size of 0.
    setvbuf(stdout, nullptr, _IONBF, 0);
    Arguments args = ParseArguments(argc, argv);
    zek_host::HostContext& host = args.host;
    g_keep = args.keep;
    zek_host::SetZoomDelay(args.zoomDelayMs);

    std::printf("cpu bits=%d avx2=%d\n", static_cast<int>(sizeof(void*) * 8), zek_host::CpuHasAvx2() ? 1 : 0);
    if (args.misalign) {
        if (!zek_host::SetMisalignedCalls(true)) return Fail("--misalign-stack needs the 32-bit host");
        std::printf("stack calls=misaligned at_call_mod16=%u own_mod16=%u\n", zek_host::StackAtCallMod16(true),
                    zek_host::StackAtCallMod16(false));
    }
    zek_host::FrameSource frames(host.width, host.height, host.pixelFormat == 1 ? 3 : 2);
    if (const std::string error = PrepareFrames(args, frames); !error.empty()) return Fail(error);
    host.frames = &frames;
    zek_host::SetLanguageAnswer(args.language);
    if (const std::string error = OpenWindows(args, host); !error.empty()) return Fail(error);
    if (const std::string error = LoadPluginAsAsked(args, host); !error.empty()) return Fail(error);

    InitInfo init = {0x1234u, KeepChannel};
    InitInfo* initPointer = &init;
    zek_host::CallEntry(host.plugin->init, initPointer);
    std::printf("init\n");
    const bool ok = zek_host::RunScript(host, args.script);
    std::printf("summary frames=%ld\n", zek_host::FramesProcessed());
    PrintPeakMemory();
    std::fflush(stdout);
    if (host.module) FreeLibrary(host.module);
    return ok ? 0 : 1;
}
