// The settings' paths are UTF-8 text everywhere but at the Win32 calls,
// which take and give UTF-16: any folder name works, whatever the system's
// ANSI code page can spell.
#pragma once
#include <cstddef>
#include <string>

namespace zek {

std::wstring WideFromUtf8(const std::string& utf8);
std::string Utf8FromWide(const wchar_t* wide, std::size_t length);
// Text in the system's ANSI code page, as the command line gives it.
std::string Utf8FromAnsi(const std::string& ansi);

}  // namespace zek
