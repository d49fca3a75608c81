#include "settings/settings_text.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace zek {
namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

std::string_view TrimStart(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    return s.substr(b);
}

std::string_view TrimEnd(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1])) --e;
    return s.substr(0, e);
}

// Whether a trimmed line is the header of `name`, "[" + name + "]", without
// building that text.
bool IsHeaderOf(std::string_view line, std::string_view name) {
    return line.size() == name.size() + 2 && line.front() == '[' && line.back() == ']' &&
           line.substr(1, name.size()) == name;
}

template <typename T>
void AppendDecimal(std::string& out, T v) {
    char digits[24];  // 20 digits and a sign at the most
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, v);
    out.append(digits, r.ptr);
}

// Targets are reached by width through memcpy: the row only promises the
// width, not the signedness, of the variable behind it.
template <typename T>
void Store(void* target, T v) {
    std::memcpy(target, &v, sizeof v);
}

template <typename T>
T Fetch(const void* target) {
    T v;
    std::memcpy(&v, target, sizeof v);
    return v;
}

// The width in bytes of a number type's target; 0 for Text and unknown types.
int WidthOf(KeyType type) {
    switch (type) {
        case KeyType::UInt8: return 1;
        case KeyType::Int16: case KeyType::UInt16: case KeyType::UInt16_3: return 2;
        case KeyType::UInt32: case KeyType::UInt32_5: case KeyType::Int32: case KeyType::UInt32_7:
        case KeyType::Int32_8: case KeyType::UInt32_9: return 4;
        case KeyType::Int64: case KeyType::UInt64: return 8;
        case KeyType::Text: break;
    }
    return 0;
}

bool IsKnown(KeyType type) { return type == KeyType::Text || WidthOf(type) != 0; }

// The low bits of v, as many as the target is wide; the sign plays no part.
void StoreNumber(const KeyDef& row, uint64_t v) {
    switch (WidthOf(row.type)) {
        case 1: Store(row.target, static_cast<uint8_t>(v)); break;
        case 2: Store(row.target, static_cast<uint16_t>(v)); break;
        case 4: Store(row.target, static_cast<uint32_t>(v)); break;
        case 8: Store(row.target, v); break;
        default: break;
    }
}

// The value's text into `out`, which is emptied first; an unknown type gives
// nothing.
void FormatValue(const KeyDef& row, std::string& out) {
    out.clear();
    switch (row.type) {
        case KeyType::UInt8: AppendDecimal(out, Fetch<uint8_t>(row.target)); break;
        case KeyType::Int16: AppendDecimal(out, Fetch<int16_t>(row.target)); break;
        case KeyType::UInt16: case KeyType::UInt16_3: AppendDecimal(out, Fetch<uint16_t>(row.target)); break;
        case KeyType::UInt32: case KeyType::UInt32_5: case KeyType::UInt32_7: case KeyType::UInt32_9:
            AppendDecimal(out, Fetch<uint32_t>(row.target));
            break;
        case KeyType::Int32: case KeyType::Int32_8: AppendDecimal(out, Fetch<int32_t>(row.target)); break;
        case KeyType::Int64: AppendDecimal(out, Fetch<int64_t>(row.target)); break;
        case KeyType::UInt64: AppendDecimal(out, Fetch<uint64_t>(row.target)); break;
        case KeyType::Text: out = *static_cast<const std::string*>(row.target); break;
    }
}

}  // namespace

// ProcEnable is read as a 32-bit number and written unsigned; OverZoom is
// written signed.
SettingsKeyTable SettingsKeys(ChannelSettings& target) {
    return SettingsKeyTable{{
        {KeyType::UInt32, "ProcEnable", &target.ProcEnable, 1},
        {KeyType::Int32, "OverZoom", &target.OverZoom, 3, "", kOverZoomRange},
    }};
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) { return TrimEnd(TrimStart(s)); }

int64_t ParseDecimal(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    uint64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    if (negative) v = 0 - v;
    return static_cast<int64_t>(v);
}

// ---- reading ----

void SettingsReader::Reset(std::unique_ptr<char[]> text, int32_t length) {
    text_ = std::move(text);
    length_ = text_ ? length : 0;
    readCursor_ = 0;
    sectionMark_ = 0;
}

bool SettingsReader::ReadLine(std::string_view& line) {
    line = std::string_view();
    if (readCursor_ >= length_) return false;
    const char* t = text_.get();
    int32_t end = readCursor_;
    while (end < length_ && !IsBreak(t[end])) ++end;
    line = std::string_view(t + readCursor_, static_cast<std::size_t>(end - readCursor_));
    // A last line without a break is still a line: hand-edited files often
    // end that way.
    if (end == length_) {
        readCursor_ = length_;
        return true;
    }
    readCursor_ = end + 1;
    if (readCursor_ < length_ && IsBreak(t[readCursor_])) ++readCursor_;
    return true;
}

bool SettingsReader::ReadLine(std::string& line) {
    std::string_view view;
    const bool read = ReadLine(view);
    line.assign(view);
    return read;
}

bool SettingsReader::FindSection(std::string_view name) {
    if (length_ == 0) return false;
    const std::string_view wanted = Trim(name);
    int32_t p = sectionMark_;
    readCursor_ = p;
    std::string_view line;
    bool wrapped = false;
    for (;;) {
        // A failed read leaves the line empty, which is no header.
        (void)ReadLine(line);
        if (IsHeaderOf(Trim(line), wanted)) {
            sectionMark_ = p;
            return true;
        }
        p = readCursor_;
        if (p == length_) {
            p = 0;
            readCursor_ = 0;
            wrapped = true;
        }
        // Every line tried once. Lines start at the same places on every
        // pass, so p meets the mark exactly; ">=" only guards the loop.
        if (wrapped && p >= sectionMark_) return false;
    }
}

bool SettingsReader::NextHeaderFrom(int32_t& pos, std::string_view& name) {
    if (length_ == 0) return false;
    readCursor_ = pos;
    std::string_view line;
    for (;;) {
        const int32_t p = readCursor_;
        if (!ReadLine(line)) {
            pos = readCursor_;
            return false;
        }
        const std::string_view t = Trim(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            sectionMark_ = p;
            pos = readCursor_;
            name = t.substr(1, t.size() - 2);
            return true;
        }
    }
}

bool SettingsReader::NextHeaderFrom(int32_t& pos, std::string& name) {
    std::string_view view;
    if (!NextHeaderFrom(pos, view)) return false;
    name.assign(view);
    return true;
}

bool SettingsReader::NextSection(std::string& name) {
    if (length_ == 0) return false;
    readCursor_ = sectionMark_;
    // The line at the mark is passed over, whatever it is.
    std::string_view skipped;
    (void)ReadLine(skipped);
    int32_t pos = readCursor_;
    return NextHeaderFrom(pos, name);
}

bool SettingsReader::FindValue(std::string_view section, std::string_view key, std::string_view& value) {
    const std::string_view wanted = Trim(key);
    if (!FindSection(section)) return false;
    std::string_view line;
    while (ReadLine(line)) {
        line = TrimStart(line);
        if (line.empty()) continue;
        if (line[0] == '[') return false;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        if (TrimEnd(line.substr(0, eq)) != wanted) continue;
        value = line.substr(eq + 1);
        // An empty value counts as missing; a later line with the same key
        // is not consulted.
        return !value.empty();
    }
    return false;
}

bool SettingsReader::FindValue(std::string_view section, std::string_view key, std::string& value) {
    std::string_view view;
    const bool found = FindValue(section, key, view);
    // A key that was there hands over its value, an empty one too; the view
    // points into the text only then.
    if (view.data() != nullptr) value.assign(view);
    return found;
}

void SettingsReader::ReadKey(std::string_view section, const KeyDef& row) {
    if (!IsKnown(row.type)) return;
    std::string_view value;
    const bool found = FindValue(section, row.key, value);
    if (row.type == KeyType::Text) {
        static_cast<std::string*>(row.target)->assign(found ? value : std::string_view(row.defaultText));
        return;
    }
    StoreNumber(row, found ? static_cast<uint64_t>(ParseDecimal(value)) : static_cast<uint64_t>(row.defaultValue));
}

// ---- writing ----

SettingsWriter::~SettingsWriter() { std::free(data_); }

bool SettingsWriter::Begin() {
    std::free(data_);
    data_ = nullptr;
    length_ = 0;
    capacity_ = 0;
    complete_ = false;
    void* block = realloc_ ? realloc_(nullptr, kGrowStep) : std::malloc(kGrowStep);
    if (!block) return false;
    data_ = static_cast<char*>(block);
    capacity_ = kGrowStep;
    complete_ = true;
    return true;
}

void SettingsWriter::Append(const char* bytes, std::size_t n) {
    if (!data_) {
        complete_ = false;
        return;
    }
    const int64_t needed = static_cast<int64_t>(length_) + static_cast<int64_t>(n);
    if (needed > capacity_) {
        // Grow in whole steps, all at once, so a failure leaves buffer and
        // capacity exactly as they were.
        const int64_t steps = (needed - capacity_ + kGrowStep - 1) / kGrowStep;
        const int64_t grown = capacity_ + steps * kGrowStep;
        void* block = nullptr;
        if (grown <= std::numeric_limits<int32_t>::max()) {
            block = realloc_ ? realloc_(data_, static_cast<std::size_t>(grown))
                             : std::realloc(data_, static_cast<std::size_t>(grown));
        }
        if (!block) {
            complete_ = false;
            return;
        }
        data_ = static_cast<char*>(block);
        capacity_ = static_cast<int32_t>(grown);
    }
    if (n) std::memcpy(data_ + length_, bytes, n);
    length_ = static_cast<int32_t>(needed);
}

void SettingsWriter::WriteSection(std::string_view name) {
    piece_.assign(1, '[');
    piece_.append(Trim(name));
    piece_.append("]\r\n");
    Append(piece_);
}

void SettingsWriter::WriteChannelSection(uint32_t idLow, uint32_t idHigh) {
    const uint64_t id = (static_cast<uint64_t>(idHigh) << 32) | idLow;
    std::string& name = scratch_;
    name.clear();
    AppendDecimal(name, static_cast<int64_t>(id));
    WriteSection(name);
}

void SettingsWriter::WriteValue(std::string_view key, std::string_view value) {
    piece_.assign(Trim(key));
    piece_.append(1, '=');
    piece_.append(value);
    piece_.append("\r\n");
    Append(piece_);
}

void SettingsWriter::WriteKey(const KeyDef& row) {
    if (!IsKnown(row.type)) return;
    FormatValue(row, scratch_);
    WriteValue(row.key, scratch_);
}

}  // namespace zek
