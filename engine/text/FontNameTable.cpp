#include "engine/text/FontNameTable.h"

#include "foundation/Utf16.h"
#include "foundation/Utf8.h"

namespace mw {

namespace {

// Mac OS Roman from 0x80 up; below it is ASCII.
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

std::string decodeUtf16BE(const uint8_t* bytes, size_t length)
{
    std::u16string units;
    units.reserve(length / 2);
    for (size_t i = 0; i + 1 < length; i += 2) units.push_back(static_cast<char16_t>(read16(bytes + i)));
    return utf16ToUtf8(units);
}

std::string decodeMacRoman(const uint8_t* bytes, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        appendUtf8(out, bytes[i] < 0x80 ? char32_t(bytes[i]) : char32_t(kMacRomanHigh[bytes[i] - 0x80]));
    }
    return out;
}

enum class Encoding { Unreadable, Utf16BE, MacRoman };

Encoding encodingOf(uint16_t platform, uint16_t encoding)
{
    if (platform == 0 || (platform == 3 && encoding == 1)) return Encoding::Utf16BE;
    if (platform == 1 && encoding == 0) return Encoding::MacRoman;
    return Encoding::Unreadable;
}

} // namespace

std::optional<std::string> readFontNameEntry(const uint8_t* table, size_t size, uint16_t nameID)
{
    constexpr size_t kHeaderBytes = 6;
    constexpr size_t kRecordBytes = 12;
    if (!table || size < kHeaderBytes) return std::nullopt;
    const size_t recordCount = read16(table + 2);
    const size_t storage = read16(table + 4);
    for (size_t i = 0; i < recordCount; ++i) {
        const size_t at = kHeaderBytes + i * kRecordBytes;
        if (at + kRecordBytes > size) break;
        const uint8_t* record = table + at;
        const Encoding encoding = encodingOf(read16(record), read16(record + 2));
        if (read16(record + 6) != nameID || encoding == Encoding::Unreadable) continue;
        const size_t length = read16(record + 8);
        const size_t start = storage + read16(record + 10);
        if (start > size || length > size - start) continue;
        return encoding == Encoding::Utf16BE ? decodeUtf16BE(table + start, length)
                                             : decodeMacRoman(table + start, length);
    }
    return std::nullopt;
}

} // namespace mw
