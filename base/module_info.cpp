#include "base/module_info.h"

#include "base/win32_utf8.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace zek {

HMODULE ThisModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

// Windows XP has GetModuleHandleExW and its pin flag. A pin that fails
// (it cannot, for a module that is loaded) leaves the module as it was.
void PinThisModule() {
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&__ImageBase), &pinned);
}

std::string ModuleName() {
    // UTF-16 from the system and UTF-8 out, as the settings path is held:
    // a module renamed to something the ANSI code page lacks keeps its file.
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(ThisModule(), path, MAX_PATH);
    std::wstring name(path, n < MAX_PATH ? n : 0);
    const auto slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return Utf8FromWide(name.data(), name.size());
}

}  // namespace zek
