#include "foundation/Utf16.h"

#include <cstdint>

#include "foundation/Utf8.h"

namespace mw {

namespace {

size_t unitsOf(char32_t codePoint) { return codePoint > 0xFFFF ? 2 : 1; }

} // namespace

size_t utf16Length(std::string_view utf8)
{
    size_t units = 0;
    size_t offset = 0;
    while (offset < utf8.size()) {
        units += unitsOf(nextCodePoint(utf8, offset));
    }
    return units;
}

size_t utf8OffsetForUtf16Index(std::string_view utf8, size_t utf16Index)
{
    size_t units = 0;
    size_t offset = 0;
    while (offset < utf8.size()) {
        size_t start = offset;
        units += unitsOf(nextCodePoint(utf8, offset));
        if (units > utf16Index) {
            return start;
        }
    }
    return utf8.size();
}

size_t utf16IndexForUtf8Offset(std::string_view utf8, size_t byteOffset)
{
    size_t units = 0;
    size_t offset = 0;
    while (offset < utf8.size()) {
        size_t unitsBefore = units;
        units += unitsOf(nextCodePoint(utf8, offset));
        if (offset > byteOffset) {
            return unitsBefore;
        }
    }
    return units;
}

std::string utf16Substring(std::string_view utf8, size_t location, size_t length)
{
    size_t begin = utf8OffsetForUtf16Index(utf8, location);
    // Saturates instead of wrapping when length is huge (e.g. "to the end").
    size_t endIndex = length > SIZE_MAX - location ? SIZE_MAX : location + length;
    size_t end = utf8OffsetForUtf16Index(utf8, endIndex);
    return std::string(utf8.substr(begin, end > begin ? end - begin : 0));
}

std::u16string utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    size_t offset = 0;
    while (offset < utf8.size()) {
        char32_t cp = nextCodePoint(utf8, offset);
        if (cp > 0xFFFF) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t unit = utf16[i];
        bool highSurrogate = unit >= 0xD800 && unit <= 0xDBFF;
        if (highSurrogate && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            char32_t low = utf16[++i];
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else {
            appendUtf8(out, unit); // a lone surrogate appends U+FFFD
        }
    }
    return out;
}

} // namespace mw
