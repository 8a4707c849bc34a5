#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mw {

// Where the game counts characters it counts UTF-16 units, as the platform's
// strings did: a character outside the Basic Multilingual Plane (most emoji)
// counts 2. Text is UTF-8 everywhere else (foundation/Utf8.h reads it): a
// byte that does not begin a valid UTF-8 sequence reads as U+FFFD and counts
// one unit.

size_t utf16Length(std::string_view utf8);

// The byte offset of the character at a UTF-16 index. An index inside a
// surrogate pair maps to the start of its character; an index past the end
// maps to the end.
size_t utf8OffsetForUtf16Index(std::string_view utf8, size_t utf16Index);

// The UTF-16 index of the character at a byte offset: the units of all the
// characters that end at or before it. An offset past the end maps to the
// UTF-16 length.
size_t utf16IndexForUtf8Offset(std::string_view utf8, size_t byteOffset);

// The characters covering the UTF-16 range [location, location + length),
// both ends rounded down to character starts and clamped to the string.
std::string utf16Substring(std::string_view utf8, size_t location, size_t length);

std::u16string utf8ToUtf16(std::string_view utf8);

// A lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);

} // namespace mw
