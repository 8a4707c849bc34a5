#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        if (!c.text.empty()) {
            EXPECT_EQ(validUtf8Length(c.text.data(), c.text.data() + c.text.size()), c.valid ? c.length : 0)
                << c.what;
        }
        // A whole text is UTF-8 only when every character in it is, wherever
        // the bad one stands.
        if (!c.text.empty()) {
            EXPECT_EQ(isValidUtf8("ab" + std::string(c.text) + "c"), c.valid) << c.what;
        }
    }
    EXPECT_TRUE(isValidUtf8(""));
}

// The scanners' checker must take exactly what the decoder takes: every lead
// byte against every second byte, the third and fourth from the edges of the
// continuation range and outside it, whole and cut short.
TEST(Utf8, CheckerAgreesWithTheDecoder)
{
    const std::vector<unsigned char> later = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0};
    const std::vector<unsigned char> continuation = {0x80};
    for (unsigned lead = 0; lead < 256; ++lead) {
        // Only leads of three and four bytes look past the second byte.
        const auto& tails = lead >= 0xE0 ? later : continuation;
        for (unsigned second = 0; second < 256; ++second) {
            for (unsigned char third : tails) {
                for (unsigned char fourth : tails) {
                    const char bytes[] = {static_cast<char>(lead), static_cast<char>(second),
                                          static_cast<char>(third), static_cast<char>(fourth)};
                    for (size_t size = 1; size <= sizeof bytes; ++size) {
                        const Utf8Char read = decodeUtf8(std::string_view(bytes, size), 0);
                        const size_t length = validUtf8Length(bytes, bytes + size);
                        ASSERT_EQ(length, read.valid ? read.length : 0)
                            << std::hex << lead << " " << second << " " << unsigned(third) << " "
                            << unsigned(fourth) << " size " << size;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace mw
