// What the host's command line says about its instance number, and the
// titles of the host's main window that follow from it.
#pragma once
#include <string>

namespace zek {

// Zero or one character: the one after the first "-inst:", replaced by the
// one after the first "/inst:"; matched in any case, returned in lower case.
std::string InstanceSuffix(const std::string& commandLine);

// Title of the main window of the instance with this suffix.
std::string HostWindowTitle(const std::string& instanceSuffix);

// Title the language query looks for: "Korvisan", then ".Inst" + character
// for "-inst:" and again for "/inst:", so both switches give both parts.
std::string LanguageQueryTitle(const std::string& commandLine);

constexpr const char* kHostWindowClass = "TMain";

}  // namespace zek
