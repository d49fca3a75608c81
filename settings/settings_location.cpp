#include "settings/settings_location.h"

#include <vector>

#include "base/command_line.h"

namespace zek {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool LocateSettings(LocationPlatform& platform, const std::string& moduleName, SettingsLocation& out) {
    uint32_t platformId = 0;
    if (!platform.QueryPlatformId(true, platformId) && !platform.QueryPlatformId(false, platformId)) {
        return false;
    }
    // Only the NT line has per-user folders worth using.
    const bool usersFolderAllowed = platformId == kPlatformWin32Nt;
    // The base folder is the user's or the host's own and is never made
    // here; every level below it is, so that a first run in a fresh account
    // or a new instance keeps its settings.
    std::string folder;
    std::vector<std::string> levels;
    if (usersFolderAllowed && platform.StoreInUsersFolder() != 0) {
        const std::string appData = platform.AppDataFolder();
        // Without an application-data folder the path would start at the
        // drive's root; the host's folder is the safer place then.
        if (!appData.empty()) {
            folder = appData + "\\";
            levels.push_back("Korvisan");
        }
    }
    if (folder.empty()) folder = FolderOf(platform.HostExecutablePath());

    const std::string suffix = InstanceSuffix(platform.CommandLine());
    if (!suffix.empty()) {
        levels.push_back("Instances");
        // The suffix stays ANSI for the host's window title; the path is UTF-8.
        levels.push_back(platform.AnsiToUtf8(suffix));
    }
    levels.push_back("Plugins");
    for (const std::string& level : levels) {
        folder += level;
        platform.CreateFolder(folder);
        folder += "\\";
    }

    out.path = folder + moduleName + ".ini";
    out.instanceSuffix = suffix;
    return true;
}

}  // namespace zek
