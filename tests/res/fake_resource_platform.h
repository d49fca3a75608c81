// A module with the shipped texts and templates in English and Russian, a
// system language, a host answer, and an ANSI conversion that behaves like
// the Russian code page 1251.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "res/resource_ids.h"
#include "res/resource_platform.h"
#include "tests/res/string_block.h"

namespace zek {
namespace test {

constexpr uint16_t kEnglish = 1033;
constexpr uint16_t kRussian = 1049;
constexpr uint16_t kGerman = 1031;

// "Автозум" as the Russian ANSI code page (1251) writes it.
inline const std::string kRussianName = "\xC0\xE2\xF2\xEE\xE7\xF3\xEC";

class FakePlatform final : public ResourcePlatform {
public:
    FakePlatform() {
        Add(kResourceTypeStringTable, 1, kEnglish,
            MakeBlock({{1, u"Auto zoom"}, {2, u"Image scaling."}}));
        Add(kResourceTypeStringTable, 2, kEnglish,
            MakeBlock({{10, u"Error"}, {11, u"The value must be a number from %d to %d."}}));
        Add(kResourceTypeStringTable, 1, kRussian, MakeBlock({{1, u"Автозум"}, {2, u"Масштабирование. "}}));
        Add(kResourceTypeStringTable, 2, kRussian, MakeBlock({{10, u"Ошибка"}, {11, u"от %d до %d."}}));
        Add(kResourceTypeDialog, ZEK_IDD_SETTINGS, kEnglish, {'E', 'N'});
        Add(kResourceTypeDialog, ZEK_IDD_SETTINGS, kRussian, {'R', 'U'});
        Add(kResourceTypeDialog, ZEK_IDD_ABOUT, kEnglish, {'A', 'B'});
    }

    void Add(int type, int id, uint16_t language, std::vector<uint8_t> bytes) {
        resources_[std::make_tuple(type, id, language)] = std::move(bytes);
    }
    void Remove(int type, int id, uint16_t language) { resources_.erase(std::make_tuple(type, id, language)); }
    const std::vector<uint8_t>& Bytes(int type, int id, uint16_t language) {
        return resources_.at(std::make_tuple(type, id, language));
    }

    uint16_t systemLanguage = kRussian;
    uint32_t hostAnswer = 0;  // no host window
    const void* Module() const { return &resources_; }
    const void* module = Module();
    int hostQueries = 0;

    uint16_t SystemDefaultLanguage() override { return systemLanguage; }
    uint32_t AskHostLanguage() override {
        ++hostQueries;
        return hostAnswer;
    }
    const void* CurrentResourceModule() override { return module; }
    bool FindResourceData(const void* m, int type, int id, uint16_t language, const uint8_t** data,
                          size_t* size) override {
        if (m != &resources_) return false;  // not the module holding these resources
        const auto it = resources_.find(std::make_tuple(type, id, language));
        if (it == resources_.end()) return false;
        *data = it->second.data();
        *size = it->second.size();
        return true;
    }
    std::string ToAnsi(const char16_t* text, size_t count) override {
        std::string out;
        for (size_t i = 0; i < count; ++i) {
            const char16_t c = text[i];
            if (c < 0x80) out += static_cast<char>(c);
            else if (c >= 0x410 && c <= 0x44F) out += static_cast<char>(0xC0 + (c - 0x410));
            else out += '?';
        }
        return out;
    }

private:
    std::map<std::tuple<int, int, uint16_t>, std::vector<uint8_t>> resources_;
};

}  // namespace test
}  // namespace zek
