// The plug-in module itself: its handle and its name.
#pragma once
#include <windows.h>

#include <string>

namespace zek {

HMODULE ThisModule();
// The module's file name without folder and extension ("ZEK_DideZede" for the
// shipped file), in UTF-8; the settings file is named after it.
std::string ModuleName();

}  // namespace zek
