// Where the settings file lives: the users' folder or the host's folder,
// per host instance, in "Plugins\", named after the module.
#pragma once
#include <string>

#include "settings/settings_platform.h"

namespace zek {

struct SettingsLocation {
    std::string path;            // full path of the settings file, UTF-8
    std::string instanceSuffix;  // zero or one character, ANSI as on the command line
};

// Works the location out and creates the "Plugins\" folder with whatever
// levels between it and the base folder are missing. False, with `out`
// untouched, when the system version cannot be queried at all.
[[nodiscard]] bool LocateSettings(LocationPlatform& platform, const std::string& moduleName, SettingsLocation& out);

}  // namespace zek
