#include "res/resource_locator.h"

#include <cstring>

#include "res/string_table.h"

namespace zek {

ResourceLocator::ResourceLocator(ResourcePlatform& platform)
    : platform_(platform), primary_(platform.SystemDefaultLanguage()) {
    TakeResourceModule();
    RefreshLanguage();
}

void ResourceLocator::TakeResourceModule() { module_ = platform_.CurrentResourceModule(); }

void ResourceLocator::RefreshLanguage() {
    const uint16_t language = static_cast<uint16_t>(platform_.AskHostLanguage() & 0xFFFF);
    if (language != 0) primary_ = language;
}

bool ResourceLocator::LookUp(int type, int id, const uint8_t** data, size_t* size) const {
    *data = nullptr;
    *size = 0;
    if (platform_.FindResourceData(module_, type, id, primary_, data, size)) return true;
    return primary_ != fallback_ && platform_.FindResourceData(module_, type, id, fallback_, data, size);
}

const void* ResourceLocator::FindTemplate(int id) const {
    const uint8_t* data = nullptr;
    size_t size = 0;
    return LookUp(kResourceTypeDialog, id, &data, &size) ? data : nullptr;
}

bool ResourceLocator::FindText(int id, std::string* text) const {
    text->clear();
    if (id < 0 || id > kMaxStringId) return false;
    const uint8_t* block = nullptr;
    size_t size = 0;
    if (!LookUp(kResourceTypeStringTable, StringBlockId(id), &block, &size)) return false;
    const StringEntry entry = ReadStringTableEntry(block, size, StringBlockIndex(id));
    if (!entry.readable) return false;
    if (!entry.text.empty()) *text = platform_.ToAnsi(entry.text.data(), entry.text.size());
    return true;
}

std::string ResourceLocator::LoadText(int id) const {
    std::string text;
    // A string that is not there stays empty, which is the answer then.
    (void)FindText(id, &text);
    return text;
}

int32_t ResourceLocator::LoadTextInto(int id, char* buffer, size_t bufferSize) const {
    if (!buffer || bufferSize == 0) return 0;
    buffer[0] = '\0';
    std::string text;
    if (!FindText(id, &text)) return 0;
    const size_t n = text.size() < bufferSize - 1 ? text.size() : bufferSize - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return 1;
}

}  // namespace zek
