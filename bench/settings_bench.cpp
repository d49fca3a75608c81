// The settings store's Load and Save of a large file (20,000 channels),
// against a plain pass over the same bytes: a copy into a new buffer, as
// the file read makes, and a search for every line break. The file is held
// in memory, so the disk's moods stay out of the ratios.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "bench/bench_suite.h"
#include "settings/settings_store.h"
#include "tests/settings/memory_platform.h"

namespace zek::bench {
namespace {

constexpr int kChannels = 20000;

int32_t ZEK_CDECL KeepAll(uint32_t, uint32_t) { return 1; }

// The text the store itself writes for these channels, so that a Save of
// what was loaded finds nothing changed, as at most Done calls.
std::string ManyChannels() {
    std::string text = "[DIALOG]\r\nDlgWndPosX=312\r\nDlgWndPosY=-100\r\n";
    for (int i = 1; i <= kChannels; ++i) {
        const int64_t id = int64_t{i} * 1000003;  // spread like the host's ids
        text += "[" + std::to_string(id) + "]\r\nProcEnable=" + std::to_string(i % 2) +
                "\r\nOverZoom=" + std::to_string(i % 10) + "\r\n";
    }
    return text;
}

struct LoadedStore {
    MemoryIo io;
    FixedLocation location;
    SettingsStore store;

    LoadedStore() {
        io.file = ManyChannels();
        store.SetPlatform(&io, &location);
        store.Load("ZEK_DideZede", 0, KeepAll);
    }
    bool Complete() const { return store.Records().size() == static_cast<size_t>(kChannels); }
};

void Load(benchmark::State& state) {
    LoadedStore s;
    for (auto _ : state) {
        s.store.Load("ZEK_DideZede", 0, KeepAll);
        benchmark::ClobberMemory();
    }
    if (!s.Complete()) state.SkipWithError("not every channel was loaded");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.io.file.size()));
}

void Save(benchmark::State& state) {
    LoadedStore s;
    for (auto _ : state) {
        s.store.Save();
        benchmark::ClobberMemory();
    }
    // The same records give the same bytes: the file is left alone.
    if (!s.Complete() || s.io.written) state.SkipWithError("the save did not reproduce the file");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.io.file.size()));
}

void PlainPass(benchmark::State& state) {
    const std::string file = ManyChannels();
    for (auto _ : state) {
        std::unique_ptr<char[]> bytes(new char[file.size()]);
        std::memcpy(bytes.get(), file.data(), file.size());
        const char* p = bytes.get();
        const char* end = p + file.size();
        size_t lines = 0;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr) {
            ++lines;
            ++p;
        }
        benchmark::DoNotOptimize(lines);
        benchmark::DoNotOptimize(bytes.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

}  // namespace

void RegisterSettingsBenchmarks(Suite& suite) {
    benchmark::RegisterBenchmark("settings/load/20000", Load);
    benchmark::RegisterBenchmark("settings/save/20000", Save);
    benchmark::RegisterBenchmark("settings/plain-pass/20000", PlainPass);
    suite.AddRatio("Load / plain pass  20000 channels", "settings/load/20000", "settings/plain-pass/20000");
    suite.AddRatio("Save / plain pass  20000 channels", "settings/save/20000", "settings/plain-pass/20000");
}

}  // namespace zek::bench
