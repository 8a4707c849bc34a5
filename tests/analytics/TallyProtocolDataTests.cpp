#include "analytics/TallyProtocolData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "foundation/Utf16.h"
#include "foundation/Utf8.h"

namespace mw {
namespace {

using Bytes = TallyProtocolData::Bytes;

Bytes repeated(size_t count, uint8_t byte) { return Bytes(count, byte); }

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string repeatedText(size_t count, const std::string& unit)
{
    std::string text;
    for (size_t i = 0; i < count; ++i) text += unit;
    return text;
}

Bytes counting(size_t count)
{
    Bytes block(count);
    for (size_t i = 0; i < count; ++i) block[i] = static_cast<uint8_t>(i * 7 + 1);
    return block;
}

struct PrimitiveCase {
    const char* name;
    std::function<void(Bytes&)> append;
    Bytes expected;
};

// Every case starts from a buffer that already holds bytes: an operation
// that rewrote or cleared its buffer would lose them.
TEST(TallyProtocolData, AppendsEachPrimitiveBigEndian)
{
    using P = TallyProtocolData;
    const std::string emoji = "\xF0\x9F\x98\x80"; // U+1F600, two UTF-16 units
    const Bytes tiny300 = counting(300);
    const std::vector<PrimitiveCase> cases = {
        { "ushort 258", [](Bytes& d) { P::appendUshort(258, d); }, { 0x01, 0x02 } },
        { "int -2", [](Bytes& d) { P::appendInt(-2, d); }, { 0xFF, 0xFF, 0xFF, 0xFE } },
        { "long 1", [](Bytes& d) { P::appendLong(1, d); }, { 0, 0, 0, 0, 0, 0, 0, 1 } },
        { "long min",
          [](Bytes& d) { P::appendLong(std::numeric_limits<int64_t>::min(), d); },
          { 0x80, 0, 0, 0, 0, 0, 0, 0 } },
        { "float 1.0", [](Bytes& d) { P::appendFloat(1.0f, d); }, { 0x3F, 0x80, 0x00, 0x00 } },
        { "double 1.0", [](Bytes& d) { P::appendDouble(1.0, d); }, { 0x3F, 0xF0, 0, 0, 0, 0, 0, 0 } },
        { "timestamp 1.5 s", [](Bytes& d) { P::appendTimestamp(1.5, d); }, { 0, 0, 0, 0, 0, 0, 0x05, 0xDC } },
        { "timestamp 1.0009 s truncates",
          [](Bytes& d) { P::appendTimestamp(1.0009, d); },
          { 0, 0, 0, 0, 0, 0, 0x03, 0xE8 } },
        { "timestamp -1.0009 s truncates toward zero",
          [](Bytes& d) { P::appendTimestamp(-1.0009, d); },
          { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFC, 0x18 } },
        { "string abc", [](Bytes& d) { P::appendString("abc", d); }, { 0x00, 0x03, 0x61, 0x62, 0x63 } },
        { "empty string", [](Bytes& d) { P::appendString("", d); }, { 0x00, 0x00 } },
        { "missing string", [](Bytes& d) { P::appendString({}, d); }, { 0x00, 0x00 } },
        { "300 letters cut to 255", [](Bytes& d) { P::appendString(std::string(300, 'q'), d); },
          concat({ { 0x00, 0xFF }, repeated(255, 'q') }) },
        { "255 e-acute kept whole", [&](Bytes& d) { P::appendString(repeatedText(255, "\xC3\xA9"), d); },
          concat({ { 0x01, 0xFE }, textBytes(repeatedText(255, "\xC3\xA9")) }) },
        { "cut before a split surrogate pair",
          [&](Bytes& d) { P::appendString(std::string(254, 'w') + emoji, d); },
          concat({ { 0x00, 0xFE }, repeated(254, 'w') }) },
        { "pair that fits is kept", [&](Bytes& d) { P::appendString(std::string(253, 'w') + emoji, d); },
          concat({ { 0x01, 0x01 }, repeated(253, 'w'), textBytes(emoji) }) },
        { "stray byte becomes U+FFFD",
          [](Bytes& d) { P::appendString("a\xFF", d); },
          { 0x00, 0x04, 'a', 0xEF, 0xBF, 0xBD } },
        { "boolean yes", [](Bytes& d) { P::appendBoolean(true, d); }, { 0x01 } },
        { "boolean no", [](Bytes& d) { P::appendBoolean(false, d); }, { 0x00 } },
        { "byte -1", [](Bytes& d) { P::appendByte(-1, d); }, { 0xFF } },
        { "tiny data 20", [](Bytes& d) { P::appendTinyData(counting(20), d); },
          concat({ { 0x14 }, counting(20) }) },
        { "tiny data empty", [](Bytes& d) { P::appendTinyData(Bytes {}, d); }, { 0x00 } },
        { "tiny data 256 is length 0", [](Bytes& d) { P::appendTinyData(counting(256), d); }, { 0x00 } },
        { "tiny data 300 keeps 44", [&](Bytes& d) { P::appendTinyData(tiny300, d); },
          concat({ { 0x2C }, Bytes(tiny300.begin(), tiny300.begin() + 44) }) },
        { "short data 20", [](Bytes& d) { P::appendShortData(counting(20), d); },
          concat({ { 0x00, 0x14 }, counting(20) }) },
        { "short data 70000 cut to 65535", [](Bytes& d) { P::appendShortData(counting(70000), d); },
          concat({ { 0xFF, 0xFF }, Bytes(counting(65535)) }) },
    };
    for (const PrimitiveCase& c : cases) {
        Bytes data = { 0xAA, 0xBB };
        c.append(data);
        ASSERT_GE(data.size(), 2u) << c.name;
        EXPECT_EQ(data[0], 0xAA) << c.name;
        EXPECT_EQ(data[1], 0xBB) << c.name;
        EXPECT_EQ(Bytes(data.begin() + 2, data.end()), c.expected) << c.name;
    }
}

TEST(TallyProtocolData, CutTextIsAlwaysValidUtf8)
{
    const std::string emoji = "\xF0\x9F\x98\x80";
    for (size_t prefix = 250; prefix <= 256; ++prefix) {
        const std::string cut =
            TallyProtocolData::limitStringLength(std::string(prefix, 'x') + emoji + emoji);
        EXPECT_TRUE(isValidUtf8(cut)) << prefix;
        EXPECT_LE(utf16Length(cut), 255u) << prefix;
        EXPECT_GE(utf16Length(cut), 254u) << prefix;
    }
}

TEST(TallyProtocolData, IntervalsBetweenDates)
{
    struct Case {
        TallyDate from;
        TallyDate to;
        int64_t expected;
    };
    const double base = 1'700'000'000.25;
    const Case cases[] = {
        { base, base + 2.5, 2500 },
        { base + 2.5, base, -2500 },
        { std::nullopt, base, 0 },
        { base, std::nullopt, 0 },
        { std::nullopt, std::nullopt, 0 },
        // 30 days do not fit 32 bits of milliseconds.
        { base, base + 30.0 * 86400, 2'592'000'000 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TallyProtocolData::timeIntervalFrom(c.from, c.to), c.expected);
    }
}

// A plain conversion of these values is undefined behaviour, and the
// sanitizer build stops on it.
TEST(TallyProtocolData, OutOfRangeNumbersClampInsteadOfOverflowing)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
    struct Case {
        double seconds;
        int64_t millis;
    };
    const Case cases[] = { { nan, 0 },        { inf, kMax64 },    { -inf, kMin64 },
                           { 1e300, kMax64 }, { -1e300, kMin64 }, { 9.3e15, kMax64 } };
    for (const Case& c : cases) {
        Bytes written;
        TallyProtocolData::appendTimestamp(c.seconds, written);
        Bytes expected;
        TallyProtocolData::appendLong(c.millis, expected);
        EXPECT_EQ(written, expected) << c.seconds;
        EXPECT_EQ(TallyProtocolData::timeIntervalFrom(0.0, c.seconds), c.millis) << c.seconds;
    }
    struct Case32 {
        double value;
        int32_t expected;
    };
    const Case32 cases32[] = { { nan, 0 },
                               { inf, std::numeric_limits<int32_t>::max() },
                               { -inf, std::numeric_limits<int32_t>::min() },
                               { 1e7 * 1000, std::numeric_limits<int32_t>::max() },
                               { -2147483648.5, std::numeric_limits<int32_t>::min() },
                               { 12345.67, 12345 },
                               { -0.9, 0 } };
    for (const Case32& c : cases32)
        EXPECT_EQ(TallyProtocolData::clampToInt32(c.value), c.expected) << c.value;
}

} // namespace
} // namespace mw
