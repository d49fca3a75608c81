// The reference host: plays the TV viewer's part for the plug-in. It owns a
// "TMain" window titled as the viewer titles its own, answers the language
// query, records the zoom commands, and drives the plug-in's entry points
// with real frames, printing one plain line for everything that happens.
//
//   zek_host [-inst:N | /inst:N] [--dll PATH] [--input FILE | --pattern band:N|flat:Y]
//            [--width W] [--height H] [--format F] [--channel ID] [--channel-name NAME]
//            [--language N] [--no-window] [--decoy TITLE] [--keep all|none|ID,ID...]
//            [--misalign-stack] [--load-on-worker] [--zoom-delay MS]
//            [--do "start; frames 30; stop; done"]
#include <windows.h>
#include <cpuid.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "host/entry_calls.h"
#include "host/frame_source.h"
#include "host/host_commands.h"
#include "host/host_window.h"
#include "base/command_line.h"

namespace {

enum class KeepMode { All, None, Listed };
KeepMode g_keepMode = KeepMode::All;
std::set<int64_t> g_keepIds;

int32_t ZEK_CDECL KeepChannel(uint32_t idLow, uint32_t idHigh) {
    const int64_t id = static_cast<int64_t>((static_cast<uint64_t>(idHigh) << 32) | idLow);
    const int32_t answer = g_keepMode == KeepMode::All ? 1 : g_keepMode == KeepMode::None ? 0 : g_keepIds.count(id) ? 1 : 0;
    std::printf("keep id=%lld answer=%d\n", static_cast<long long>(id), static_cast<int>(answer));
    return answer;
}

void ParseKeep(const std::string& value) {
    if (value == "all") return;
    g_keepMode = value == "none" ? KeepMode::None : KeepMode::Listed;
    size_t start = 0;
    while (g_keepMode == KeepMode::Listed && start <= value.size()) {
        const size_t comma = value.find(',', start);
        g_keepIds.insert(std::strtoll(value.substr(start, comma - start).c_str(), nullptr, 10));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

// Wide, so that the host runs from a folder the ANSI code page cannot spell.
std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// What the CPU offers the plug-in's row measure, asked the way the plug-in
// asks: AVX2 counts only when the system also saves the AVX registers.
bool CpuHasAvx2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 27)) || !(c & (1u << 28))) return false;
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    if ((lo & 6) != 6 || __get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(7, 0, a, b, c, d);
    return (b & (1u << 5)) != 0;
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
    zek_host::HostContext host;
    zek_host::FrameSource frames;
    std::string dll;  // from --dll; otherwise the module beside the host
    std::string input;
    std::string pattern = "band:60";
    std::string script = "start; frames all; stop; done";
    std::vector<std::string> decoys;
    bool window = true;
    bool misalign = false;
    bool loadOnWorker = false;
    uint32_t language = 0;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (arg == "--dll") dll = next();
        else if (arg == "--input") input = next();
        else if (arg == "--pattern") pattern = next();
        else if (arg == "--width") host.width = std::atoi(next().c_str());
        else if (arg == "--height") host.height = std::atoi(next().c_str());
        else if (arg == "--format") host.pixelFormat = std::atoi(next().c_str());
        else if (arg == "--channel") host.channelId = static_cast<uint64_t>(std::strtoll(next().c_str(), nullptr, 10));
        else if (arg == "--channel-name") host.channelName = next();
        else if (arg == "--language") language = static_cast<uint32_t>(std::strtoul(next().c_str(), nullptr, 0));
        else if (arg == "--no-window") window = false;
        else if (arg == "--decoy") decoys.push_back(next());
        else if (arg == "--keep") ParseKeep(next());
        else if (arg == "--do") script = next();
        else if (arg == "--misalign-stack") misalign = true;
        else if (arg == "--load-on-worker") loadOnWorker = true;
        else if (arg == "--zoom-delay") zek_host::SetZoomDelay(std::atoi(next().c_str()));
        // -inst:N and /inst:N are the viewer's own switches; the plug-in reads
        // them from this process's command line.
    }
    if (host.channelName == "Channel 17" && host.channelId != 17) host.channelName = "Channel " + std::to_string(host.channelId);

    std::printf("cpu bits=%d avx2=%d\n", static_cast<int>(sizeof(void*) * 8), CpuHasAvx2() ? 1 : 0);
    if (misalign) {
        if (!zek_host::SetMisalignedCalls(true)) return Fail("--misalign-stack needs the 32-bit host");
        std::printf("stack calls=misaligned at_call_mod16=%u own_mod16=%u\n", zek_host::StackAtCallMod16(true),
                    zek_host::StackAtCallMod16(false));
    }

    frames.width = host.width;
    frames.height = host.height;
    frames.bytesPerPixel = host.pixelFormat == 1 ? 3 : 2;
    std::string error;
    if (!input.empty() ? !zek_host::LoadRawFrames(input, frames, error) : !zek_host::MakePatternFrame(pattern, frames, error)) {
        return Fail(error);
    }
    host.frames = &frames;

    zek_host::SetLanguageAnswer(language);
    const std::string title = zek::HostWindowTitle(zek::InstanceSuffix(GetCommandLineA()));
    if (window) {
        host.mainWindow = zek_host::CreateHostWindow(title, true);
        if (!host.mainWindow) return Fail("no window (is there an X display?)");
        std::printf("window %s\n", title.c_str());
    }
    for (const std::string& decoy : decoys) {
        if (!zek_host::CreateHostWindow(decoy, false)) return Fail("no decoy window");
        std::printf("window %s\n", decoy.c_str());
    }

    // A viewer may load its plug-ins on a worker while its window thread
    // waits for the worker without handling messages.
    std::string loadError;
    if (loadOnWorker) {
        const long waited =
            zek_host::RunOnThread([&] { loadError = LoadPlugin(host, dll); }, zek_host::WaitMode::Block);
        std::printf("worker-load waited_ms=%ld\n", waited);
    } else {
        loadError = LoadPlugin(host, dll);
    }
    if (!loadError.empty()) return Fail(loadError);

    InitInfo init = {0x1234u, KeepChannel};
    InitInfo* initPointer = &init;
    zek_host::CallEntry(host.plugin->init, initPointer);
    std::printf("init\n");
    const bool ok = zek_host::RunScript(host, script);
    std::printf("summary frames=%ld\n", zek_host::FramesProcessed());
    std::fflush(stdout);
    if (host.module) FreeLibrary(host.module);
    return ok ? 0 : 1;
}
