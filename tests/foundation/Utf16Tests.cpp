#include <gtest/gtest.h>

#include <string>

#include "foundation/Utf16.h"

namespace mw {
namespace {

TEST(Utf16, LengthCountsUnitsLikeThePlatform)
{
    struct Case {
        const char* what;
        std::string text;
        size_t units;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"ASCII", "Mosswick", 8},
        {"German umlauts and sharp s", "Grüße", 5},
        {"Polish letters", "Zażółć gęślą jaźń", 17},
        {"emoji outside the BMP count 2", "a\xF0\x9F\x8C\xB2" "b", 4},             // a🌲b
        {"symbol inside the BMP counts 1", "\xE2\x82\xAC", 1},                      // €
        {"stray continuation byte", "a\x80" "b", 3},
        {"cut-off sequence: each byte one unit", "a\xE2\x82", 3},
        {"overlong slash", "\xC0\xAF", 2},
        {"encoded surrogate", "\xED\xA0\x80", 3},
        {"above U+10FFFF", "\xF4\x90\x80\x80", 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.units, utf16Length(c.text)) << c.what;
        EXPECT_EQ(c.units, utf8ToUtf16(c.text).size()) << c.what;
    }
}

TEST(Utf16, IndexAndByteOffsetMapBothWays)
{
    // "Żó🌲x": Ż = 2 bytes / 1 unit, ó = 2 / 1, 🌲 = 4 / 2, x = 1 / 1.
    const std::string text = "\xC5\xBB\xC3\xB3\xF0\x9F\x8C\xB2x";
    struct Case {
        size_t index;
        size_t offset;
    };
    const Case exact[] = {{0, 0}, {1, 2}, {2, 4}, {4, 8}, {5, 9}};
    for (const Case& c : exact) {
        EXPECT_EQ(c.offset, utf8OffsetForUtf16Index(text, c.index)) << "index " << c.index;
        EXPECT_EQ(c.index, utf16IndexForUtf8Offset(text, c.offset)) << "offset " << c.offset;
    }
    EXPECT_EQ(4u, utf8OffsetForUtf16Index(text, 3)) << "inside the pair: start of the emoji";
    EXPECT_EQ(9u, utf8OffsetForUtf16Index(text, 99)) << "past the end";
    EXPECT_EQ(2u, utf16IndexForUtf8Offset(text, 6)) << "inside the emoji's bytes";
    EXPECT_EQ(5u, utf16IndexForUtf8Offset(text, 99));
}

TEST(Utf16, SubstringByUnitRange)
{
    const std::string text = "a\xF0\x9F\x8C\xB2\xC3\xA4z"; // a🌲äz
    struct Case {
        size_t location, length;
        std::string expected;
    };
    const Case cases[] = {
        {0, 1, "a"},
        {1, 2, "\xF0\x9F\x8C\xB2"},
        {3, 2, "\xC3\xA4z"},
        {1, 1, ""},                     // half an emoji rounds down to nothing
        {2, 2, "\xF0\x9F\x8C\xB2\xC3\xA4"}, // starting inside the pair takes the emoji
        {4, 100, "z"},
        {10, 3, ""},
        {0, SIZE_MAX, text},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, utf16Substring(text, c.location, c.length)) << c.location << "+" << c.length;
    }
}

TEST(Utf16, ConversionRoundTripsAndRepairs)
{
    const std::string text = "Zażółć \xF0\x9F\x8D\x8E!"; // with 🍎
    std::u16string wide = utf8ToUtf16(text);
    EXPECT_EQ(char16_t(0xD83C), wide[7]);
    EXPECT_EQ(char16_t(0xDF4E), wide[8]);
    EXPECT_EQ(text, utf16ToUtf8(wide));

    EXPECT_EQ(u"a\uFFFDb", utf8ToUtf16("a\xFF" "b"));
    EXPECT_EQ("\xEF\xBF\xBD" "x", utf16ToUtf8(std::u16string{char16_t(0xD800), u'x'}))
        << "lone high surrogate";
    EXPECT_EQ("\xEF\xBF\xBD", utf16ToUtf8(std::u16string{char16_t(0xDC00)})) << "lone low surrogate";
}

} // namespace
} // namespace mw
