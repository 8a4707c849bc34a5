#include <gtest/gtest.h>

#include <string>

#include "foundation/Utf8.h"

namespace mw {
namespace {

// The readers of UTF-8 text tell a byte that begins no valid sequence from a
// real U+FFFD by the valid flag: the property-list writer refuses the first
// and writes the second.
TEST(Utf8, DecodesOneCharacterAndFlagsEveryInvalidByte)
{
    struct Case {
        const char* what;
        std::string text;
        char32_t codePoint;
        size_t length;
        bool valid;
    };
    const Case cases[] = {
        {"ASCII", "A", U'A', 1, true},
        {"two bytes", "\xC3\xBC", U'\u00FC', 2, true},
        {"three bytes", "\xE2\x82\xAC", U'\u20AC', 3, true},
        {"four bytes", "\xF0\x9F\x8C\xB2", U'\U0001F332', 4, true},
        {"the replacement character itself", "\xEF\xBF\xBD", 0xFFFD, 3, true},
        {"highest code point", "\xF4\x8F\xBF\xBF", 0x10FFFF, 4, true},
        {"stray continuation", "\x80", 0xFFFD, 1, false},
        {"overlong slash", "\xC0\xAF", 0xFFFD, 1, false},
        {"overlong three-byte form", "\xE0\x80\xAF", 0xFFFD, 1, false},
        {"encoded surrogate", "\xED\xA0\x80", 0xFFFD, 1, false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", 0xFFFD, 1, false},
        {"lead byte past F4", "\xF5\x80\x80\x80", 0xFFFD, 1, false},
        {"cut off by the end", "\xE2\x82", 0xFFFD, 1, false},
        {"cut off by a byte that does not continue it", "\xE2(\xAC", 0xFFFD, 1, false},
        {"at the end", "", 0xFFFD, 0, false},
    };
    for (const Case& c : cases) {
        const Utf8Char read = decodeUtf8(c.text, 0);
        EXPECT_EQ(read.codePoint, c.codePoint) << c.what;
        EXPECT_EQ(read.length, c.length) << c.what;
        EXPECT_EQ(read.valid, c.valid) << c.what;
        // A whole text is UTF-8 only when every character in it is, wherever
        // the bad one stands.
        if (!c.text.empty()) {
            EXPECT_EQ(isValidUtf8("ab" + std::string(c.text) + "c"), c.valid) << c.what;
        }
    }
    EXPECT_TRUE(isValidUtf8(""));
}

} // namespace
} // namespace mw
