#include "base/command_line.h"

#include <cctype>

namespace zek {
namespace {

std::string Lower(const std::string& s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The character after the first occurrence of the switch; empty when the
// switch is absent or ends the line. Sets found when the switch occurs.
std::string AfterSwitch(const std::string& lower, const char* sw, bool& found) {
    const std::string key(sw);
    const auto at = lower.find(key);
    found = at != std::string::npos;
    if (!found) return {};
    const auto next = at + key.size();
    return next < lower.size() ? lower.substr(next, 1) : std::string();
}

}  // namespace

std::string InstanceSuffix(const std::string& commandLine) {
    const std::string lower = Lower(commandLine);
    std::string suffix;
    bool found = false;
    std::string dash = AfterSwitch(lower, "-inst:", found);
    if (found) suffix = dash;
    std::string slash = AfterSwitch(lower, "/inst:", found);
    if (found) suffix = slash;
    return suffix;
}

std::string HostWindowTitle(const std::string& instanceSuffix) {
    return instanceSuffix.empty() ? std::string("Korvisan") : "Korvisan.Inst" + instanceSuffix;
}

std::string LanguageQueryTitle(const std::string& commandLine) {
    const std::string lower = Lower(commandLine);
    std::string title = "Korvisan";
    bool found = false;
    std::string dash = AfterSwitch(lower, "-inst:", found);
    if (found) title += ".Inst" + dash;
    std::string slash = AfterSwitch(lower, "/inst:", found);
    if (found) title += ".Inst" + slash;
    return title;
}

}  // namespace zek
