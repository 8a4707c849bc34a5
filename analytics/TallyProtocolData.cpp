#include "analytics/TallyProtocolData.h"

#include <bit>
#include <cmath>
#include <limits>

#include "foundation/Utf16.h"
#include "foundation/Utf8.h"

namespace mw {

namespace {

template <typename Unsigned> void appendBigEndian(Unsigned value, TallyProtocolData::Bytes& data)
{
    for (int shift = int(sizeof(Unsigned)) * 8 - 8; shift >= 0; shift -= 8) {
        data.push_back(static_cast<uint8_t>(value >> shift));
    }
}

// The text with every byte that begins no valid UTF-8 sequence replaced by U+FFFD.
std::string validUtf8(std::string_view text)
{
    std::string valid;
    valid.reserve(text.size() + 8);
    size_t offset = 0;
    while (offset < text.size()) appendUtf8(valid, nextCodePoint(text, offset));
    return valid;
}

} // namespace

void TallyProtocolData::appendBoolean(bool value, Bytes& data) { data.push_back(value ? 1 : 0); }

void TallyProtocolData::appendByte(int8_t value, Bytes& data) { data.push_back(static_cast<uint8_t>(value)); }

void TallyProtocolData::appendUshort(uint16_t value, Bytes& data) { appendBigEndian(value, data); }

void TallyProtocolData::appendInt(int32_t value, Bytes& data)
{
    appendBigEndian(static_cast<uint32_t>(value), data);
}

void TallyProtocolData::appendLong(int64_t value, Bytes& data)
{
    appendBigEndian(static_cast<uint64_t>(value), data);
}

void TallyProtocolData::appendFloat(float value, Bytes& data)
{
    appendBigEndian(std::bit_cast<uint32_t>(value), data);
}

void TallyProtocolData::appendDouble(double value, Bytes& data)
{
    appendBigEndian(std::bit_cast<uint64_t>(value), data);
}

void TallyProtocolData::appendTimestamp(double unixSeconds, Bytes& data)
{
    appendLong(clampToInt64(unixSeconds * 1000.0), data);
}

void TallyProtocolData::appendString(std::string_view text, Bytes& data)
{
    // Up to 255 bytes are at most 255 UTF-16 units: valid text that short
    // goes in as it is, without a copy.
    if (text.size() <= kMaxStringLength && isValidUtf8(text)) {
        appendUshort(static_cast<uint16_t>(text.size()), data);
        data.insert(data.end(), text.begin(), text.end());
        return;
    }
    const std::string bounded = limitStringLength(text);
    // 255 UTF-16 units take at most 765 bytes of UTF-8, so the count fits.
    appendUshort(static_cast<uint16_t>(bounded.size()), data);
    data.insert(data.end(), bounded.begin(), bounded.end());
}

void TallyProtocolData::appendTinyData(const uint8_t* bytes, size_t size, Bytes& data)
{
    const size_t length = size % 256;
    data.push_back(static_cast<uint8_t>(length));
    if (length > 0) data.insert(data.end(), bytes, bytes + length);
}

void TallyProtocolData::appendShortData(const uint8_t* bytes, size_t size, Bytes& data)
{
    const size_t length = size < 65536 ? size : 65535;
    appendUshort(static_cast<uint16_t>(length), data);
    if (length > 0) data.insert(data.end(), bytes, bytes + length);
}

int64_t TallyProtocolData::timeIntervalFrom(const TallyDate& from, const TallyDate& to)
{
    if (!from || !to) return 0;
    return clampToInt64((*to - *from) * 1000.0);
}

std::string TallyProtocolData::limitStringLength(std::string_view text)
{
    if (isValidUtf8(text)) {
        if (utf16Length(text) <= kMaxStringLength) return std::string(text);
        return std::string(text.substr(0, utf8OffsetForUtf16Index(text, kMaxStringLength)));
    }
    std::string valid = validUtf8(text);
    valid.resize(utf8OffsetForUtf16Index(valid, kMaxStringLength));
    return valid;
}

int64_t TallyProtocolData::clampToInt64(double value)
{
    if (std::isnan(value)) return 0;
    // -2^63 is a double and in range; 2^63 is a double and just out of it.
    if (value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
    if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

int32_t TallyProtocolData::clampToInt32(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

} // namespace mw
