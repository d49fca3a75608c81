// The plug-in module itself: its handle and its name.
#pragma once
#include <windows.h>

#include <string>

namespace zek {

HMODULE ThisModule();
// Keeps the module loaded until the process ends, whatever FreeLibrary calls
// follow: for when a thread may still return into it after the host was
// told it can let it go.
void PinThisModule();
// The module's file name without folder and extension ("ZEK_DideZede" for the
// shipped file), in UTF-8; the settings file is named after it.
std::string ModuleName();

}  // namespace zek
