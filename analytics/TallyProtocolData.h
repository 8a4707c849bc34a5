#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// A date of the analytics client: seconds since 1970-01-01 00:00 UTC; empty
// where the date is missing.
using TallyDate = std::optional<double>;

// The writer of the analytics report format. Every operation appends one
// primitive value at the end of the caller's buffer and never rewrites the
// bytes already in it; every multi-byte number goes most significant byte
// first. The format has no reader in the program and no record lengths, so
// each operation writes exactly the bytes its comment names.
class TallyProtocolData {
public:
    using Bytes = std::vector<uint8_t>;

    // Strings are cut to this many UTF-16 units before they are encoded.
    static constexpr size_t kMaxStringLength = 255;

    // One byte: 0 for false, 1 for true.
    static void appendBoolean(bool value, Bytes& data);
    // One byte, two's complement (-1 gives FF).
    static void appendByte(int8_t value, Bytes& data);
    static void appendUshort(uint16_t value, Bytes& data);
    static void appendInt(int32_t value, Bytes& data);
    static void appendLong(int64_t value, Bytes& data);
    // The IEEE 754 bit patterns.
    static void appendFloat(float value, Bytes& data);
    static void appendDouble(double value, Bytes& data);
    // Milliseconds since 1970 as a signed 64-bit number, truncated toward
    // zero (1.0009 s gives 1000, -1.0009 s gives -1000); beyond the 64-bit
    // range the value is clamped, and NaN gives 0.
    static void appendTimestamp(double unixSeconds, Bytes& data);
    // A 16-bit byte count, then the UTF-8 bytes of the text cut by
    // limitStringLength. A missing string is passed as the empty one (00 00).
    static void appendString(std::string_view text, Bytes& data);
    // The length modulo 256 as one byte, then that many leading bytes.
    static void appendTinyData(const uint8_t* bytes, size_t size, Bytes& data);
    static void appendTinyData(const Bytes& block, Bytes& data)
    {
        appendTinyData(block.data(), block.size(), data);
    }
    // The length as 16 bits, then the bytes. A block of 65,536 bytes or more
    // is cut to its first 65,535, so the length always matches what follows.
    static void appendShortData(const uint8_t* bytes, size_t size, Bytes& data);
    static void appendShortData(const Bytes& block, Bytes& data)
    {
        appendShortData(block.data(), block.size(), data);
    }

    // Milliseconds from `from` to `to` (negative when `to` is earlier): the
    // difference of the seconds, scaled, then truncated toward zero and
    // clamped like a timestamp. 0 when either date is missing.
    static int64_t timeIntervalFrom(const TallyDate& from, const TallyDate& to);

    // The text itself when it has at most 255 UTF-16 units, else its first
    // 255. A cut that would split a surrogate pair is made before the pair,
    // and bytes that are not UTF-8 become U+FFFD, so the answer is always
    // valid UTF-8.
    static std::string limitStringLength(std::string_view text);

    // Truncation toward zero into the integer range: values beyond it give
    // the nearest end, NaN gives 0 (a plain cast is undefined there).
    static int64_t clampToInt64(double value);
    static int32_t clampToInt32(double value);
};

} // namespace mw
