// The settings file's text: an INI-style reader over bytes that are not
// zero-terminated, and a writer into a buffer that grows in fixed steps.
// No file access here; the store hands the bytes in and takes them out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "settings/channel_settings.h"

namespace zek {

// One typed setting: how to read it into its target and write it back.
// Codes 0..12 give the target's type (see ReadKey/WriteKey); any other code
// makes the row inert.
struct KeyDef {
    int32_t code;
    const char* key;
    void* target;          // a variable of the width the code gives; std::string for 12
    int64_t defaultValue;  // narrower targets take its low bits
    const char* defaultText = "";  // code 12 only
};

// The plug-in's own keys, aimed at one record's values.
constexpr int kSettingsKeyCount = 2;
struct SettingsKeyTable {
    KeyDef rows[kSettingsKeyCount];
};
SettingsKeyTable SettingsKeys(ChannelSettings& target);

bool IsBlank(char c);  // space, tab, vertical tab, form feed
std::string Trim(const std::string& s);
// Leading blanks, one optional sign, digits up to the first other byte; no
// digits gives 0. Wraps modulo 2^64 rather than overflowing.
int64_t ParseDecimal(const std::string& s);

class SettingsReader {
public:
    // Takes the bytes; the count is the only bound, there is no terminator.
    void Reset(std::unique_ptr<char[]> text, int32_t length);
    const char* text() const { return text_.get(); }
    int32_t length() const { return length_; }

    bool ReadLine(std::string& line);
    bool FindSection(const std::string& name);
    bool NextSection(std::string& name);
    // Section headers in file order from `pos`, independent of the lookups'
    // position, so a walk over the file cannot be sent back by a lookup.
    // Leaves the lookups starting at the header found.
    bool NextHeaderFrom(int32_t& pos, std::string& name);
    bool FindValue(const std::string& section, const std::string& key, std::string& value);
    void ReadKey(const std::string& section, const KeyDef& row);
    void ReadKeys(const std::string& section, const KeyDef* rows, int count);

    int32_t readCursor() const { return readCursor_; }
    int32_t sectionMark() const { return sectionMark_; }

private:
    std::unique_ptr<char[]> text_;
    int32_t length_ = 0;
    int32_t readCursor_ = 0;
    int32_t sectionMark_ = 0;
};

class SettingsWriter {
public:
    static constexpr int32_t kGrowStep = 100000;
    using Reallocator = void* (*)(void* block, std::size_t size);

    SettingsWriter() = default;
    ~SettingsWriter();
    SettingsWriter(const SettingsWriter&) = delete;
    SettingsWriter& operator=(const SettingsWriter&) = delete;

    // Lets tests make growth fail; std::realloc otherwise.
    void SetReallocator(Reallocator r) { realloc_ = r; }

    // Drops the previous output and starts an empty one of one step.
    bool Begin();
    void Append(const char* bytes, std::size_t n);
    void Append(const std::string& s) { Append(s.data(), s.size()); }
    void WriteSection(const std::string& name);
    void WriteChannelSection(uint32_t idLow, uint32_t idHigh);
    void WriteValue(const std::string& key, const std::string& value);
    void WriteKey(const KeyDef& row);
    void WriteKeys(const KeyDef* rows, int count);

    const char* data() const { return data_; }
    int32_t length() const { return length_; }
    int32_t capacity() const { return capacity_; }
    // False once a piece could not be placed: the text is incomplete.
    bool complete() const { return complete_; }

private:
    Reallocator realloc_ = nullptr;
    char* data_ = nullptr;
    int32_t length_ = 0;
    int32_t capacity_ = 0;
    bool complete_ = false;
    std::string scratch_;
};

}  // namespace zek
