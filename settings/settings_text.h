// The settings file's text: an INI-style reader over bytes that are not
// zero-terminated, and a writer into a buffer that grows in fixed steps.
// No file access here; the store hands the bytes in and takes them out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "settings/channel_settings.h"

namespace zek {

// The type of a key row: what its target is and how its value is read and
// written. Some types have more than one code, and those codes behave
// alike; each extra one carries its number in its name. A row with any
// other code (negative or above 12) is inert: it neither reads nor writes.
enum class KeyType : int32_t {
    UInt8 = 0,
    Int16 = 1,
    UInt16 = 2,
    UInt16_3 = 3,
    UInt32 = 4,
    UInt32_5 = 5,
    Int32 = 6,
    UInt32_7 = 7,
    Int32_8 = 8,
    UInt32_9 = 9,
    Int64 = 10,
    UInt64 = 11,  // read with the signed parse, written unsigned
    Text = 12,    // a std::string, the value text as it stands
};

// The values a setting is meant to take, both ends included: documentation,
// and what the dialog that edits it allows. A load never holds a value to
// it; a file keeps whatever it says.
struct ValueRange {
    int32_t lower;
    int32_t upper;
};

// One typed setting: how to read it into its target and write it back.
struct KeyDef {
    constexpr KeyDef(KeyType type_, const char* key_, void* target_, int64_t defaultValue_,
                     const char* defaultText_ = "", std::optional<ValueRange> range_ = std::nullopt)
        : type(type_), key(key_), target(target_), defaultValue(defaultValue_), defaultText(defaultText_),
          range(range_) {}
    // A row from its numeric type code, as a table of numbers gives it;
    // a code outside the known ones makes it inert.
    constexpr explicit KeyDef(int32_t code, const char* key_, void* target_, int64_t defaultValue_,
                              const char* defaultText_ = "")
        : KeyDef(static_cast<KeyType>(code), key_, target_, defaultValue_, defaultText_) {}

    KeyType type;
    const char* key;
    void* target;          // a variable of the width the type gives; std::string for Text
    int64_t defaultValue;  // narrower targets take its low bits
    const char* defaultText;  // Text only
    std::optional<ValueRange> range;
};

// The extra zoom the dialog offers, in percent.
inline constexpr ValueRange kOverZoomRange{0, 9};

// The plug-in's own keys, aimed at one record's values.
constexpr int kSettingsKeyCount = 2;
struct SettingsKeyTable {
    KeyDef rows[kSettingsKeyCount];
};
SettingsKeyTable SettingsKeys(ChannelSettings& target);

bool IsBlank(char c);  // space, tab, vertical tab, form feed
// The text without blanks at either end; a view into the same bytes.
std::string_view Trim(std::string_view s);
// Leading blanks, one optional sign, digits up to the first other byte; no
// digits gives 0. Wraps modulo 2^64 rather than overflowing.
int64_t ParseDecimal(std::string_view s);

// Lines, names and values come out as views into the text the reader holds:
// nothing is copied while a lookup scans, and a view stays good until the
// next Reset. The std::string forms copy the one result they give.
class SettingsReader {
public:
    // Takes the bytes; the count is the only bound, there is no terminator.
    void Reset(std::unique_ptr<char[]> text, int32_t length);
    const char* text() const { return text_.get(); }
    int32_t length() const { return length_; }

    [[nodiscard]] bool ReadLine(std::string_view& line);
    [[nodiscard]] bool ReadLine(std::string& line);
    [[nodiscard]] bool FindSection(std::string_view name);
    [[nodiscard]] bool NextSection(std::string& name);
    // Section headers in file order from `pos`, independent of the lookups'
    // position, so a walk over the file cannot be sent back by a lookup.
    // Leaves the lookups starting at the header found.
    [[nodiscard]] bool NextHeaderFrom(int32_t& pos, std::string_view& name);
    [[nodiscard]] bool NextHeaderFrom(int32_t& pos, std::string& name);
    [[nodiscard]] bool FindValue(std::string_view section, std::string_view key, std::string_view& value);
    [[nodiscard]] bool FindValue(std::string_view section, std::string_view key, std::string& value);
    void ReadKey(std::string_view section, const KeyDef& row);
    template <std::size_t N>
    void ReadKeys(std::string_view section, const KeyDef (&rows)[N]) {
        for (const KeyDef& row : rows) ReadKey(section, row);
    }

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

    // Drops the previous output and starts an empty one of one step; false
    // when that step cannot be had, and then nothing can be written.
    [[nodiscard]] bool Begin();
    void Append(const char* bytes, std::size_t n);
    void Append(std::string_view s) { Append(s.data(), s.size()); }
    void WriteSection(std::string_view name);
    void WriteChannelSection(uint32_t idLow, uint32_t idHigh);
    void WriteValue(std::string_view key, std::string_view value);
    void WriteKey(const KeyDef& row);
    template <std::size_t N>
    void WriteKeys(const KeyDef (&rows)[N]) {
        for (const KeyDef& row : rows) WriteKey(row);
    }

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
    // A value's text, and the line being put together: each line goes in
    // as one piece, and both keep their room from one line to the next.
    std::string scratch_;
    std::string piece_;
};

}  // namespace zek
