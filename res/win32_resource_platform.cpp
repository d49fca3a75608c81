#include "res/win32_resource_platform.h"

#include <windows.h>

#include "base/module_info.h"

namespace zek {
namespace {

// Asked for a language it lacks, the system loader may hand out the same
// resource in another one; the fallback to English must decide that instead,
// so only an entry in exactly the asked language counts.
struct LanguageSearch {
    WORD wanted;
    bool found;
};

BOOL CALLBACK MatchLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
    LanguageSearch* search = reinterpret_cast<LanguageSearch*>(param);
    if (language != search->wanted) return TRUE;
    search->found = true;
    return FALSE;  // found: stop
}

bool HasLanguage(HMODULE module, int type, int id, uint16_t language) {
    LanguageSearch search = {language, false};
    EnumResourceLanguagesA(module, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), MatchLanguage,
                           reinterpret_cast<LONG_PTR>(&search));
    return search.found;
}

}  // namespace

uint16_t Win32ResourcePlatform::SystemDefaultLanguage() { return GetSystemDefaultLangID(); }

const void* Win32ResourcePlatform::CurrentResourceModule() { return ThisModule(); }

bool Win32ResourcePlatform::FindResourceData(const void* module, int type, int id, uint16_t language,
                                             const uint8_t** data, size_t* size) {
    HMODULE m = static_cast<HMODULE>(const_cast<void*>(module));
    if (!m || !HasLanguage(m, type, id, language)) return false;
    HRSRC found = FindResourceExA(m, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), language);
    if (!found) return false;
    HGLOBAL loaded = LoadResource(m, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    *data = static_cast<const uint8_t*>(bytes);
    *size = SizeofResource(m, found);
    return true;
}

std::string Win32ResourcePlatform::ToAnsi(const char16_t* text, size_t count) {
    if (count == 0 || count > 0x7FFFFFFF) return std::string();
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text);
    const int units = static_cast<int>(count);
    // Sized first, so code pages with two-byte characters lose nothing.
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string ansi(static_cast<size_t>(bytes), '\0');
    const int written = WideCharToMultiByte(CP_ACP, 0, wide, units, &ansi[0], bytes, nullptr, nullptr);
    ansi.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return ansi;
}

}  // namespace zek
