#include <windows.h>
#include <shlobj.h>

#include "settings/win32_settings_platform.h"

namespace zek {
namespace {

class Win32Location final : public LocationPlatform {
public:
    bool QueryPlatformId(bool extended, uint32_t& platformId) override {
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

    std::string AppDataFolder() override {
        char path[MAX_PATH + 1] = {};
        if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE)) return std::string();
        return path;
    }

    std::string HostExecutablePath() override {
        char path[MAX_PATH + 1] = {};
        const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        return std::string(path, n < MAX_PATH ? n : MAX_PATH);
    }

    std::string CommandLine() override {
        const char* line = GetCommandLineA();
        return line ? line : "";
    }

    void CreateFolder(const std::string& path) override { CreateDirectoryA(path.c_str(), nullptr); }
};

}  // namespace

LocationPlatform& Win32LocationPlatform() {
    static Win32Location location;
    return location;
}

}  // namespace zek
