// What the language choice and the resource lookup need from the system,
// kept behind an interface so the logic runs and is tested anywhere.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zek {

// Resource types as the system numbers them.
constexpr int kResourceTypeDialog = 5;
constexpr int kResourceTypeStringTable = 6;

class ResourcePlatform {
public:
    virtual uint16_t SystemDefaultLanguage() = 0;
    // The host's answer to the language query; 0 when there is no host
    // window or no answer. Only the low 16 bits carry the language.
    virtual uint32_t AskHostLanguage() = 0;
    // The module whose resources are searched, as the system knows it now.
    virtual const void* CurrentResourceModule() = 0;
    // The bytes of the resource of this type and id in exactly this
    // language; false when the module has none in that language.
    [[nodiscard]] virtual bool FindResourceData(const void* module, int type, int id, uint16_t language, const uint8_t** data,
                                  size_t* size) = 0;
    // Counted UTF-16 text in the system's ANSI code page.
    virtual std::string ToAnsi(const char16_t* text, size_t count) = 0;

protected:
    ~ResourcePlatform() = default;
};

}  // namespace zek
