// What the settings need from the operating system, behind two small
// interfaces so that the store and the location rules run anywhere.
// Paths are UTF-8 text and use the Windows separator "\".
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zek {

class SettingsFileIo {
public:
    virtual ~SettingsFileIo() = default;
    // Reads the whole file into a new buffer of exactly its size; a missing
    // file is created empty (an existing one is never truncated). False when
    // the file cannot be opened or read; an empty file gives true and length 0.
    [[nodiscard]] virtual bool ReadOrCreate(const std::string& path, std::unique_ptr<char[]>& bytes, int32_t& length) = 0;
    // Replaces the whole file in one step: either the new bytes are there
    // complete, or the old file stays as it was. False on any failure, and
    // for a read-only file, which is left alone with nothing made beside it.
    [[nodiscard]] virtual bool ReplaceWhole(const std::string& path, const char* bytes, std::size_t length) = 0;
};

constexpr uint32_t kPlatformWin32Nt = 2;

class LocationPlatform {
public:
    virtual ~LocationPlatform() = default;
    // The running system's platform id, from the extended version record
    // (extended = true) or the basic one. False when the query fails.
    [[nodiscard]] virtual bool QueryPlatformId(bool extended, uint32_t& platformId) = 0;
    // "StoreInUsersFolder" under HKLM\SOFTWARE\Korvisan, read only; 0 when
    // the key or value is missing or cannot be read into 4 bytes.
    virtual uint32_t StoreInUsersFolder() = 0;
    // The current user's application-data folder, no final "\"; empty when
    // it cannot be determined.
    virtual std::string AppDataFolder() = 0;
    // Full path of the host process's executable.
    virtual std::string HostExecutablePath() = 0;
    // The host process's command line in the system's ANSI code page, as
    // the host's window titles are matched in it.
    virtual std::string CommandLine() = 0;
    // ANSI text (from the command line) as UTF-8, for a path.
    virtual std::string AnsiToUtf8(const std::string& ansi) = 0;
    // Creates the last level of the path; existing or impossible folders
    // are passed over. Called once per level, from the top down.
    virtual void CreateFolder(const std::string& path) = 0;
};

}  // namespace zek
