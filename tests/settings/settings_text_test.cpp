#include "settings/settings_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace zek {
namespace {

// The reader gets a buffer of exactly the text's size, so the sanitizers
// catch any look past its end.
SettingsReader ReaderOf(const std::string& text) {
    SettingsReader r;
    std::unique_ptr<char[]> bytes(new char[text.size() ? text.size() : 1]);
    std::memcpy(bytes.get(), text.data(), text.size());
    r.Reset(std::move(bytes), static_cast<int32_t>(text.size()));
    return r;
}

std::string Lines(SettingsReader& r) {
    std::string all, line;
    while (r.ReadLine(line)) all += "<" + line + ">";
    return all;
}

std::string Output(const SettingsWriter& w) { return std::string(w.data(), w.length()); }

TEST(SettingsText, LineBreaksOfEveryKindReadAlike) {
    for (const char* text : {"a\r\nb\r\n", "a\nb\n", "a\rb\r", "a\n\rb\n\r"}) {
        SettingsReader r = ReaderOf(text);
        EXPECT_EQ(Lines(r), "<a><b>") << text;
    }
    // A doubled break is one break and swallows one empty line; a third
    // break byte starts an empty line.
    SettingsReader doubled = ReaderOf("a\n\nb\r\r\rc\n");
    EXPECT_EQ(Lines(doubled), "<a><b><><c>");
    // A text ending in a single CR is read to its end and no further.
    SettingsReader lone = ReaderOf("a\r");
    EXPECT_EQ(Lines(lone), "<a>");
    EXPECT_EQ(lone.readCursor(), 2);
}

TEST(SettingsText, LastLineWithoutBreakCounts) {
    SettingsReader r = ReaderOf("x\r\nlast");
    EXPECT_EQ(Lines(r), "<x><last>");
    // Blanks up to the end of the text are trimmed and parsed without a look
    // past it (the sanitized run holds that).
    const std::pair<const char*, int32_t> cases[] = {
        {"[17]\r\nOverZoom=7", 7}, {"[17]\r\n \t", 3}, {"[17]\r\nOverZoom= \t", 0}};
    for (const auto& [text, expected] : cases) {
        int32_t zoom = -1;
        SettingsReader keys = ReaderOf(text);
        keys.ReadKey("17", KeyDef{6, "OverZoom", &zoom, 3});
        EXPECT_EQ(zoom, expected) << text;
    }
}

TEST(SettingsText, ValuesEmptyBlankAndDoubled) {
    uint32_t enable = 9;
    const KeyDef proc{4, "ProcEnable", &enable, 1};
    SettingsReader empty = ReaderOf("[S]\r\nProcEnable=\r\n");
    empty.ReadKey("S", proc);
    EXPECT_EQ(enable, 1u);  // empty value = missing
    SettingsReader blank = ReaderOf("[S]\r\nProcEnable= \r\n");
    blank.ReadKey("S", proc);
    EXPECT_EQ(enable, 0u);  // present, no digits

    int32_t zoom = 0;
    const KeyDef over{6, "OverZoom", &zoom, 3};
    SettingsReader spaced = ReaderOf("[S]\r\n \t OverZoom \t=  7  \r\n");
    spaced.ReadKey("S", over);
    EXPECT_EQ(zoom, 7);
    SettingsReader twice = ReaderOf("[S]\r\nOverZoom=4\r\nOverZoom=5\r\n");
    twice.ReadKey("S", over);
    EXPECT_EQ(zoom, 4);
    SettingsReader firstEmpty = ReaderOf("[S]\r\nOverZoom=\r\nOverZoom=5\r\n");
    firstEmpty.ReadKey("S", over);
    EXPECT_EQ(zoom, 3);

    std::string value;
    SettingsReader eqs = ReaderOf("[S]\r\nK= a=b \r\n");
    ASSERT_TRUE(eqs.FindValue("S", " K ", value));
    EXPECT_EQ(value, " a=b ");
}

TEST(SettingsText, LookupStaysInItsSection) {
    std::string value;
    SettingsReader r = ReaderOf("[A]\r\nx=1\r\n  [B]\r\nOverZoom=2\r\n");
    EXPECT_FALSE(r.FindValue("A", "OverZoom", value));
    EXPECT_TRUE(r.FindValue("B", "OverZoom", value));
    EXPECT_EQ(value, "2");
}

TEST(SettingsText, SectionHeadersCaseAndBlanks) {
    SettingsReader r = ReaderOf("[dialog]\r\n \t[DIALOG] \r\nk=v\r\n");
    ASSERT_TRUE(r.FindSection("DIALOG"));
    EXPECT_EQ(r.sectionMark(), 10);
    EXPECT_EQ(r.readCursor(), 23);
    // Vertical tab and form feed are blanks too; a first line of blanks only
    // is trimmed without a look before the text.
    SettingsReader vf = ReaderOf(" \t\r\n\v[DIALOG]\f\r\n");
    ASSERT_TRUE(vf.FindSection("DIALOG"));
    EXPECT_EQ(vf.sectionMark(), 4);
    // A header must end in "]", even where its length would fit the name.
    SettingsReader open = ReaderOf("[DIALOGx\r\nk=v\r\n");
    EXPECT_FALSE(open.FindSection("DIALOG"));

    // Blanks inside the brackets are part of the enumerated name, but the
    // lookup trims the name it is given and so looks for "[17]".
    SettingsReader inner = ReaderOf("[DIALOG]\r\n[ 17 ]\r\nOverZoom=9\r\n");
    std::string name;
    ASSERT_TRUE(inner.NextSection(name));
    EXPECT_EQ(name, " 17 ");
    int32_t zoom = 0;
    inner.ReadKey(name, KeyDef{6, "OverZoom", &zoom, 3});
    EXPECT_EQ(zoom, 3);
}

TEST(SettingsText, FindSectionWrapsAroundFromTheLastOne) {
    SettingsReader r = ReaderOf("[A]\r\na=1\r\n[B]\r\nb=2\r\n[C]\r\n");
    ASSERT_TRUE(r.FindSection("C"));
    EXPECT_EQ(r.sectionMark(), 20);
    ASSERT_TRUE(r.FindSection("A"));
    EXPECT_EQ(r.sectionMark(), 0);
    EXPECT_EQ(r.readCursor(), 5);
    ASSERT_TRUE(r.FindSection("B"));
    EXPECT_FALSE(r.FindSection("Z"));
    EXPECT_EQ(r.sectionMark(), 10);  // unchanged by the miss
    SettingsReader none = ReaderOf("");
    EXPECT_FALSE(none.FindSection("A"));
    std::string name;
    EXPECT_FALSE(none.NextSection(name));
    SettingsReader neverReset;
    EXPECT_FALSE(neverReset.FindSection("A"));
    // A fresh text is searched from its start: the first of two headers wins.
    SettingsReader twice = ReaderOf("[A]\r\nk=1\r\n[A]\r\nk=2\r\n");
    std::string value;
    ASSERT_TRUE(twice.FindValue("A", "k", value));
    EXPECT_EQ(value, "1");
}

TEST(SettingsText, NextSectionSkipsTheLineAtTheMark) {
    // Only a line that starts with "[" and ends with "]" is a header, "[]"
    // (an empty name) too.
    SettingsReader r = ReaderOf("[1]\r\n[2]\r\nx=1\r\nk=[7]\r\n[]\r\n[3]");
    std::string name;
    ASSERT_TRUE(r.NextSection(name));
    EXPECT_EQ(name, "2");
    ASSERT_TRUE(r.NextSection(name));
    EXPECT_EQ(name, "");
    ASSERT_TRUE(r.NextSection(name));
    EXPECT_EQ(name, "3");
    EXPECT_FALSE(r.NextSection(name));
    EXPECT_EQ(r.sectionMark(), 26);

    // The file-order walk starts at the first line.
    int32_t pos = 0;
    ASSERT_TRUE(r.NextHeaderFrom(pos, name));
    EXPECT_EQ(name, "1");
    EXPECT_EQ(r.sectionMark(), 0);
}

TEST(SettingsText, TypeCodesReadWithTheirWidths) {
    struct Case {
        int32_t code;
        const char* text;
        uint64_t stored;  // the target's bytes, zero-extended
        const char* written;
    };
    const Case cases[] = {
        {0, "300", 44, "44"},
        {1, "-1", 0xFFFF, "-1"},
        {2, "-1", 65535, "65535"},
        {3, "70000", 4464, "4464"},
        {4, "-1", 0xFFFFFFFFu, "4294967295"},
        {5, "+12x", 12, "12"},
        {6, "-100", 0xFFFFFF9Cu, "-100"},
        {7, "abc", 0, "0"},
        {8, " \t-7", 0xFFFFFFF9u, "-7"},
        {9, "4294967296", 0, "0"},
        {10, "-9223372036854775808", 0x8000000000000000ull, "-9223372036854775808"},
        {11, "-1", 0xFFFFFFFFFFFFFFFFull, "18446744073709551615"},
    };
    for (const Case& c : cases) {
        uint64_t target = 0;
        const KeyDef row{c.code, "K", &target, 0};
        SettingsReader r = ReaderOf(std::string("[S]\r\nK=") + c.text + "\r\n");
        r.ReadKey("S", row);
        EXPECT_EQ(target, c.stored) << "code " << c.code;
        SettingsWriter w;
        ASSERT_TRUE(w.Begin());
        w.WriteKey(row);
        EXPECT_EQ(Output(w), std::string("K=") + c.written + "\r\n") << "code " << c.code;
    }
}

TEST(SettingsText, DefaultsAreCutToTheTargetWidth) {
    uint64_t target = 0;
    SettingsReader r = ReaderOf("[S]\r\n");
    r.ReadKey("S", KeyDef{0, "K", &target, 0x1234});
    EXPECT_EQ(target, 0x34u);
    r.ReadKey("S", KeyDef{1, "K", &target, -2});
    EXPECT_EQ(target, 0xFFFEu);
    r.ReadKey("S", KeyDef{8, "K", &target, -2});
    EXPECT_EQ(target, 0xFFFFFFFEu);

    std::string text = "old";
    r.ReadKey("S", KeyDef{12, "K", &text, 0, "dflt"});
    EXPECT_EQ(text, "dflt");
    SettingsReader has = ReaderOf("[S]\r\nK= v \r\n");
    has.ReadKey("S", KeyDef{12, "K", &text, 0, "dflt"});
    EXPECT_EQ(text, " v ");
}

TEST(SettingsText, CodesOutsideTheTableAreInert) {
    int32_t target = 42;
    SettingsReader r = ReaderOf("[S]\r\nK=7\r\n");
    SettingsWriter w;
    ASSERT_TRUE(w.Begin());
    for (int32_t code : {13, -1}) {
        const KeyDef row{code, "K", &target, 5};
        r.ReadKey("S", row);
        w.WriteKey(row);
    }
    EXPECT_EQ(target, 42);
    EXPECT_EQ(w.length(), 0);
}

TEST(SettingsText, WriterLines) {
    SettingsWriter w;
    ASSERT_TRUE(w.Begin());
    w.WriteSection(" \tDIALOG ");
    w.WriteValue(" Key ", " v ");
    w.WriteChannelSection(0xFFFFFFFBu, 0xFFFFFFFFu);
    w.WriteChannelSection(17, 0);
    w.WriteChannelSection(0, 1);
    EXPECT_EQ(Output(w), "[DIALOG]\r\nKey= v \r\n[-5]\r\n[17]\r\n[4294967296]\r\n");

    ChannelSettings rec{17, 0, -1, -2};
    SettingsKeyTable keys = SettingsKeys(rec);
    ASSERT_TRUE(w.Begin());
    w.WriteKeys(keys.rows);
    EXPECT_EQ(Output(w), "ProcEnable=4294967295\r\nOverZoom=-2\r\n");
}

TEST(SettingsText, AppendGrowsInWholeSteps) {
    const std::string block(SettingsWriter::kGrowStep, 'x');
    SettingsWriter w;
    ASSERT_TRUE(w.Begin());
    EXPECT_EQ(w.capacity(), 100000);
    w.Append(block);
    EXPECT_EQ(w.capacity(), 100000);
    w.Append("y", 1);
    EXPECT_EQ(w.capacity(), 200000);
    w.Append(std::string(99999, 'z'));
    EXPECT_EQ(w.capacity(), 200000);
    w.Append(block);  // exactly one step more
    EXPECT_EQ(w.capacity(), 300000);
    w.Append(std::string(150001, 'v'));
    EXPECT_EQ(w.length(), 450001);
    EXPECT_EQ(w.capacity(), 500000);
    EXPECT_TRUE(w.complete());
    EXPECT_EQ(w.data()[100000], 'y');
}

// The first step is had; the buffer never grows.
void* FailGrowth(void* block, std::size_t size) { return block ? nullptr : std::malloc(size); }
void* NoMemory(void*, std::size_t) { return nullptr; }

TEST(SettingsText, APieceThatCannotBePlacedIsDropped) {
    SettingsWriter w;
    w.SetReallocator(FailGrowth);
    ASSERT_TRUE(w.Begin());
    w.Append(std::string(99999, 'a'));
    w.Append("bc", 2);  // needs growth, which fails
    EXPECT_EQ(w.length(), 99999);
    EXPECT_EQ(w.capacity(), 100000);
    EXPECT_FALSE(w.complete());
    w.Append("d", 1);  // fills the buffer exactly: placed, but the text stays incomplete
    EXPECT_EQ(w.length(), 100000);
    EXPECT_EQ(w.data()[99999], 'd');
    EXPECT_FALSE(w.complete());
    ASSERT_TRUE(w.Begin());
    EXPECT_TRUE(w.complete());

    // Never begun, or without even the first step, nothing can be written.
    SettingsWriter none;
    EXPECT_FALSE(none.complete());
    EXPECT_EQ(none.length(), 0);
    EXPECT_EQ(none.capacity(), 0);
    none.SetReallocator(NoMemory);
    EXPECT_FALSE(none.Begin());
    EXPECT_FALSE(none.complete());
    none.Append("x", 1);
    EXPECT_EQ(none.length(), 0);
    EXPECT_EQ(none.capacity(), 0);
    EXPECT_FALSE(none.complete());
}

TEST(SettingsText, ParseDecimal) {
    EXPECT_EQ(ParseDecimal("-5"), -5);
    EXPECT_EQ(ParseDecimal("12abc"), 12);
    EXPECT_EQ(ParseDecimal(" \t+8"), 8);
    EXPECT_EQ(ParseDecimal("abc"), 0);
    EXPECT_EQ(ParseDecimal("- 5"), 0);
    EXPECT_EQ(ParseDecimal("\n5"), 0);  // only blanks are skipped
    EXPECT_EQ(ParseDecimal("18446744073709551617"), 1);  // wraps, no overflow
}

}  // namespace
}  // namespace zek
