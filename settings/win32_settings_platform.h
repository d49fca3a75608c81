// The Windows implementations of the settings' platform interfaces. The
// module hands them to its SettingsStore before the first load.
#pragma once
#include "settings/settings_platform.h"

namespace zek {

SettingsFileIo& Win32SettingsFileIo();
LocationPlatform& Win32LocationPlatform();

}  // namespace zek
