// Settings file access on POSIX systems, for running the store natively.
// Windows separators in paths are taken as "/".
#pragma once
#include <string>

#include "settings/settings_platform.h"

namespace zek {

std::string PosixPath(const std::string& path);
SettingsFileIo& PosixSettingsFileIo();

}  // namespace zek
