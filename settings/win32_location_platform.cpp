#include <windows.h>
#include <shlobj.h>

#include <cwchar>

#include "settings/win32_settings_platform.h"
#include "base/win32_utf8.h"

namespace zek {
namespace {

class Win32Location final : public LocationPlatform {
public:
    [[nodiscard]] bool QueryPlatformId(bool extended, uint32_t& platformId) override {
        OSVERSIONINFOEXA info;
        ZeroMemory(&info, sizeof info);
        info.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXA) : sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return false;
        platformId = info.dwPlatformId;
        return true;
    }

    uint32_t StoreInUsersFolder() override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Korvisan", 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        // Any type of value is taken as its first four bytes; one that does
        // not fit into them counts as absent.
        const LONG result = RegQueryValueExA(key, "StoreInUsersFolder", nullptr, nullptr,
                                             reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS ? value : 0;
    }

    // Paths are asked for in UTF-16: the ANSI calls turn every character the
    // code page lacks (an account or folder name) into "?".
    std::string AppDataFolder() override {
        wchar_t path[MAX_PATH + 1] = {};
        if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, FALSE)) return std::string();
        return Utf8FromWide(path, wcslen(path));
    }

    std::string HostExecutablePath() override {
        wchar_t path[MAX_PATH + 1] = {};
        const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
        return Utf8FromWide(path, n < MAX_PATH ? n : MAX_PATH);
    }

    std::string CommandLine() override {
        const char* line = GetCommandLineA();
        return line ? line : "";
    }

    std::string AnsiToUtf8(const std::string& ansi) override { return Utf8FromAnsi(ansi); }

    void CreateFolder(const std::string& path) override { CreateDirectoryW(WideFromUtf8(path).c_str(), nullptr); }
};

// At namespace scope, not a function's static: it has no state to build,
// and a function's static would need a first-use guard, which brings the
// compiler runtime's condition variables into the module (Windows XP has none).
Win32Location g_location;

}  // namespace

LocationPlatform& Win32LocationPlatform() { return g_location; }

}  // namespace zek
