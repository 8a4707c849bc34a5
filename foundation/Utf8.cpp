#include "foundation/Utf8.h"

namespace mw {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

unsigned byteAt(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

} // namespace

Utf8Char decodeUtf8(std::string_view utf8, size_t byteOffset)
{
    if (byteOffset >= utf8.size()) return {kReplacement, 0, false};
    const unsigned lead = byteAt(utf8, byteOffset);
    size_t extra;
    char32_t value;
    char32_t smallest; // below this the sequence is an overlong form
    if (lead < 0x80) {
        return {lead, 1, true};
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1; value = lead & 0x1F; smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2; value = lead & 0x0F; smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3; value = lead & 0x07; smallest = 0x10000;
    } else {
        return {};
    }
    for (size_t k = 1; k <= extra; ++k) {
        const size_t at = byteOffset + k;
        if (at >= utf8.size() || (byteAt(utf8, at) & 0xC0) != 0x80) return {};
        value = (value << 6) | (byteAt(utf8, at) & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {};
    return {value, extra + 1, true};
}

char32_t nextCodePoint(std::string_view utf8, size_t& byteOffset)
{
    if (byteOffset >= utf8.size()) {
        byteOffset = utf8.size();
        return kReplacement;
    }
    const Utf8Char c = decodeUtf8(utf8, byteOffset);
    byteOffset += c.length;
    return c.codePoint;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = kReplacement;
    }
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isValidUtf8(std::string_view utf8)
{
    const char* end = utf8.data() + utf8.size();
    for (const char* at = utf8.data(); at != end;) {
        const size_t length = validUtf8Length(at, end);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

} // namespace mw
