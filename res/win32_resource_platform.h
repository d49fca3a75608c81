// The system side of the resource lookup: the plug-in module's own
// resources, the system's language, ANSI conversion. The host's language is
// the plug-in boundary's to ask; it is handed in as a query.
#pragma once
#include <cstdint>

#include "res/resource_platform.h"

namespace zek {

// The host's answer to the language query; 0 when there is none.
using HostLanguageQuery = uint32_t (*)();

class Win32ResourcePlatform final : public ResourcePlatform {
public:
    constexpr explicit Win32ResourcePlatform(HostLanguageQuery askHost) : askHost_(askHost) {}

    uint16_t SystemDefaultLanguage() override;
    uint32_t AskHostLanguage() override { return askHost_ ? askHost_() : 0; }
    const void* CurrentResourceModule() override;
    [[nodiscard]] bool FindResourceData(const void* module, int type, int id, uint16_t language, const uint8_t** data,
                          size_t* size) override;
    std::string ToAnsi(const char16_t* text, size_t count) override;

private:
    HostLanguageQuery askHost_;
};

}  // namespace zek
