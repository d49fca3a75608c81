#include "base/win32_utf8.h"

#include <windows.h>

#include <climits>

namespace zek {
namespace {

std::wstring Widen(UINT codePage, const std::string& text) {
    if (text.empty() || text.size() > INT_MAX) return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& utf8) { return Widen(CP_UTF8, utf8); }

std::string Utf8FromWide(const wchar_t* wide, std::size_t length) {
    if (!wide || length == 0 || length > INT_MAX) return std::string();
    const int len = static_cast<int>(length);
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, len, &utf8[0], n, nullptr, nullptr);
    return utf8;
}

std::string Utf8FromAnsi(const std::string& ansi) {
    const std::wstring wide = Widen(CP_ACP, ansi);
    return Utf8FromWide(wide.data(), wide.size());
}

}  // namespace zek
