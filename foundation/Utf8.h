#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mw {

// The one UTF-8 decoder and encoder; every reader of UTF-8 text (character
// counts, property-list text checks) goes through decodeUtf8.

// One character as read from UTF-8 text.
struct Utf8Char {
    char32_t codePoint = 0xFFFD; // U+FFFD when not valid
    size_t length = 1;           // bytes it takes; 1 for a byte that begins no valid sequence
    bool valid = false;          // false for such a byte, even though U+FFFD itself is valid text
};

// Reads the character that starts at byteOffset. A byte that does not begin a
// valid sequence (stray continuation, overlong form, encoded surrogate, value
// above U+10FFFF, sequence cut off by the end or by a byte that does not
// continue it) reads as an invalid one-byte character. At or past the end:
// an invalid character of length 0.
Utf8Char decodeUtf8(std::string_view utf8, size_t byteOffset);

// The code point at byteOffset, U+FFFD for an invalid byte; byteOffset moves
// past it. At or past the end it answers U+FFFD and moves byteOffset to the end.
char32_t nextCodePoint(std::string_view utf8, size_t& byteOffset);

// Whether the whole text is UTF-8 (a real U+FFFD counts as valid).
bool isValidUtf8(std::string_view utf8);

// The length of the valid character that starts at `at` (before `end`), or 0
// where decodeUtf8 finds an invalid byte. The same rules as decodeUtf8 without
// building the code point, inline for scanners that only check text.
inline size_t validUtf8Length(const char* at, const char* end)
{
    const auto* p = reinterpret_cast<const unsigned char*>(at);
    const size_t available = static_cast<size_t>(end - at);
    const unsigned lead = p[0];
    const auto continues = [p](size_t k) { return (p[k] & 0xC0) == 0x80; };
    if (lead < 0x80) return 1;
    if (lead < 0xC2) return 0; // a continuation byte, or an overlong two-byte form
    if (lead < 0xE0) return available >= 2 && continues(1) ? 2 : 0;
    if (lead < 0xF0) {
        if (available < 3 || !continues(1) || !continues(2)) return 0;
        if (lead == 0xE0 && p[1] < 0xA0) return 0; // overlong
        if (lead == 0xED && p[1] > 0x9F) return 0; // a surrogate
        return 3;
    }
    if (lead < 0xF5) {
        if (available < 4 || !continues(1) || !continues(2) || !continues(3)) return 0;
        if (lead == 0xF0 && p[1] < 0x90) return 0; // overlong
        if (lead == 0xF4 && p[1] > 0x8F) return 0; // above U+10FFFF
        return 4;
    }
    return 0;
}

// Appends the UTF-8 form of a code point; surrogates and values above
// U+10FFFF append U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

} // namespace mw
