#include "settings/settings_location.h"

#include "plugin/command_line.h"

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
    std::string folder;
    if (usersFolderAllowed && platform.StoreInUsersFolder() != 0) {
        const std::string appData = platform.AppDataFolder();
        // Without an application-data folder the path would start at the
        // drive's root; the host's folder is the safer place then.
        if (!appData.empty()) folder = appData + "\\Korvisan\\";
    }
    if (folder.empty()) folder = FolderOf(platform.HostExecutablePath());

    const std::string suffix = InstanceSuffix(platform.CommandLine());
    if (!suffix.empty()) folder += "Instances\\" + suffix + "\\";
    folder += "Plugins";
    platform.CreateFolder(folder);

    out.path = folder + "\\" + moduleName + ".ini";
    out.instanceSuffix = suffix;
    return true;
}

}  // namespace zek
