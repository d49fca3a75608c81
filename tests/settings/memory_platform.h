// A settings file held in memory and a fixed host folder: the store runs
// without touching the disk, for the fuzz target and the benchmarks.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "settings/settings_platform.h"

namespace zek {

class MemoryIo final : public SettingsFileIo {
public:
    std::string file;
    bool written = false;

    [[nodiscard]] bool ReadOrCreate(const std::string&, std::unique_ptr<char[]>& bytes, int32_t& length) override {
        // Exactly the file's size, so AddressSanitizer flags any look past it.
        bytes.reset(file.empty() ? nullptr : new char[file.size()]);
        if (!file.empty()) std::memcpy(bytes.get(), file.data(), file.size());
        length = static_cast<int32_t>(file.size());
        return true;
    }
    [[nodiscard]] bool ReplaceWhole(const std::string&, const char* bytes, std::size_t length) override {
        file.assign(bytes, length);
        written = true;
        return true;
    }
};

class FixedLocation final : public LocationPlatform {
public:
    [[nodiscard]] bool QueryPlatformId(bool, uint32_t& id) override {
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

}  // namespace zek
