// The system side of the resource lookup: the plug-in module's own
// resources, the system and host languages, ANSI conversion.
#pragma once
#include "res/resource_platform.h"

namespace zek {

// One instance for the module's lifetime; usable while static objects are
// still being built.
ResourcePlatform& Win32ResourcePlatform();

}  // namespace zek
