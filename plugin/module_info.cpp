#include "plugin/module_info.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace zek {

HMODULE ThisModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

std::string ModuleName() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(ThisModule(), path, MAX_PATH);
    std::string name(path, n < MAX_PATH ? n : 0);
    const auto slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace zek
