// Chooses the user-interface language (the host's, else the system's) and
// finds dialog templates and texts in it, with English as the fallback.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "res/resource_platform.h"

namespace zek {

class ResourceLocator {
public:
    static constexpr uint16_t kFallbackLanguage = 1033;  // English (United States)

    // Starts from the system default language, takes the resource module
    // and asks the host for its language.
    explicit ResourceLocator(ResourcePlatform& platform);

    // The module may not be known yet when the locator is built while the
    // module loads; this reads it again.
    void TakeResourceModule();
    // A nonzero host answer becomes the primary language; no answer or 0
    // keeps the language chosen so far.
    void RefreshLanguage();

    // The dialog template, or null when neither language has it.
    [[nodiscard]] const void* FindTemplate(int id) const;
    // The string's text in the ANSI code page; empty when there is none.
    std::string LoadText(int id) const;
    // Writes the text, cut to fit, and a terminating zero into buffer[0..size).
    // 1 when the string's block was found and read (also for an empty
    // entry), 0 otherwise; the buffer then holds an empty text.
    [[nodiscard]] int32_t LoadTextInto(int id, char* buffer, size_t bufferSize) const;

    uint16_t PrimaryLanguage() const { return primary_; }
    uint16_t FallbackLanguage() const { return fallback_; }
    const void* ResourceModule() const { return module_; }

private:
    [[nodiscard]] bool LookUp(int type, int id, const uint8_t** data, size_t* size) const;
    [[nodiscard]] bool FindText(int id, std::string* text) const;

    ResourcePlatform& platform_;
    const void* module_ = nullptr;
    uint16_t primary_ = 0;
    uint16_t fallback_ = kFallbackLanguage;
};

}  // namespace zek
