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

// Appends the UTF-8 form of a code point; surrogates and values above
// U+10FFFF append U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

} // namespace mw
