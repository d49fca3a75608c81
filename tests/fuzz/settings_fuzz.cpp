// Any bytes as a settings file: loading and saving must neither crash nor
// read outside the text, and what the store writes must load back to the
// very same text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "settings/settings_store.h"

namespace {

using namespace zek;

class MemoryIo final : public SettingsFileIo {
public:
    std::string file;
    bool written = false;

    bool ReadOrCreate(const std::string&, std::unique_ptr<char[]>& bytes, int32_t& length) override {
        // Exactly the file's size, so AddressSanitizer flags any look past it.
        bytes.reset(file.empty() ? nullptr : new char[file.size()]);
        if (!file.empty()) std::memcpy(bytes.get(), file.data(), file.size());
        length = static_cast<int32_t>(file.size());
        return true;
    }
    bool ReplaceWhole(const std::string&, const char* bytes, std::size_t length) override {
        file.assign(bytes, length);
        written = true;
        return true;
    }
};

class FixedLocation final : public LocationPlatform {
public:
    bool QueryPlatformId(bool, uint32_t& id) override {
        id = kPlatformWin32Nt;
        return true;
    }
    uint32_t StoreInUsersFolder() override { return 0; }
    std::string AppDataFolder() override { return std::string(); }
    std::string HostExecutablePath() override { return "C:\\TV\\Korvisan.exe"; }
    std::string CommandLine() override { return "Korvisan.exe"; }
    std::string AnsiToUtf8(const std::string& ansi) override { return ansi; }
    void CreateFolder(const std::string&) override {}
};

int32_t ZEK_CDECL KeepOdd(uint32_t low, uint32_t high) { return ((low ^ high) & 1) != 0; }

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > 1 << 20) return 0;
    MemoryIo io;
    FixedLocation location;
    io.file.assign(reinterpret_cast<const char*>(data), size);

    SettingsStore store;
    store.SetPlatform(&io, &location);
    store.Load("ZEK_DideZede", 0, KeepOdd);
    store.SelectChannel(17, 0);
    store.BackupRecords();
    store.SelectChannel(3, 0);
    store.RestoreRecords();
    store.Save();
    const std::string saved = io.file;

    // The writer's own text loads back and saves to itself, untouched.
    SettingsStore again;
    again.SetPlatform(&io, &location);
    again.Load("ZEK_DideZede", 0, KeepOdd);
    io.written = false;
    again.Save();
    Check(!io.written);
    Check(io.file == saved);
    return 0;
}
