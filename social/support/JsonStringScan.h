#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace mw {

// The first byte at or after `c` that a JSON string cannot hold as it is: the
// quote, the backslash, a control character, or a byte above 0x7F (which the
// caller checks as UTF-8); `end` when there is none. The parser and the writer
// both spend most of a string's time here, so it looks at eight bytes a step.
inline const char* findSpecialStringByte(const char* c, const char* end)
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr uint64_t ones = 0x0101010101010101ull;
        constexpr uint64_t highs = 0x8080808080808080ull;
        while (end - c >= 8) {
            uint64_t word;
            std::memcpy(&word, c, sizeof word);
            const uint64_t quote = word ^ (ones * '"');
            const uint64_t backslash = word ^ (ones * '\\');
            // A byte's high bit ends up set when it is below 0x20, is a quote
            // or a backslash (its difference borrows), or is above 0x7F. A
            // borrow can mark bytes after a marked one too, never before, so
            // the lowest mark is exact.
            const uint64_t marks = ((word - ones * 0x20) | (quote - ones) | (backslash - ones) | word) & highs;
            if (marks != 0) return c + (std::countr_zero(marks) >> 3);
            c += 8;
        }
    }
    for (; c != end; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte == '"' || byte == '\\' || byte >= 0x80) return c;
    }
    return end;
}

} // namespace mw
