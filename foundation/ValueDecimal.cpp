// Decimals: numbers kept as the literal they were read from (see Value.h).
#include "foundation/Value.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <locale.h>

namespace mw {

namespace {

// Marks of DecimalForm::form.
constexpr uint8_t kNegative = 2;
constexpr uint8_t kExponent = 4;
constexpr uint8_t kCapitalE = 8;
constexpr uint8_t kExponentPlus = 16;
constexpr uint8_t kExponentMinus = 32;
// The exponent's leading zeros ("1e05" has one) take the top two bits.
constexpr int kExponentZerosShift = 6;
constexpr size_t kMostExponentZeros = 3;

// Any 19 digits fit 64 bits; a literal with more keeps its text.
constexpr size_t kMostSmallDigits = 19;
constexpr uint64_t kLargestSmallExponent = 65535;
// Exponents of up to 18 digits keep every sum of exponent and digit count
// within 64 bits, so that comparisons count them exactly.
constexpr size_t kMostExponentDigits = 18;

constexpr uint64_t kPowersOfTen[] = {1ull,
                                     10ull,
                                     100ull,
                                     1000ull,
                                     10000ull,
                                     100000ull,
                                     1000000ull,
                                     10000000ull,
                                     100000000ull,
                                     1000000000ull,
                                     10000000000ull,
                                     100000000000ull,
                                     1000000000000ull,
                                     10000000000000ull,
                                     100000000000000ull,
                                     1000000000000000ull,
                                     10000000000000000ull,
                                     100000000000000000ull,
                                     1000000000000000000ull,
                                     10000000000000000000ull};

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads eight bytes that are all ASCII digits as their number, eight at a
// time with the usual word arithmetic; false (and nothing read) when any of
// them is not a digit.
bool readEightDigits(const char* at, uint64_t& value)
{
    if constexpr (std::endian::native != std::endian::little) return false;
    uint64_t word;
    std::memcpy(&word, at, sizeof word);
    // A byte above '9' carries into its high bit when 0x46 is added; one below '0' borrows.
    if (((word + 0x4646464646464646ull) | (word - 0x3030303030303030ull)) & 0x8080808080808080ull) return false;
    word -= 0x3030303030303030ull;
    word = word * 10 + (word >> 8); // pairs of digits
    constexpr uint64_t mask = 0x000000FF000000FFull;
    constexpr uint64_t pairsHigh = 100 + (1000000ull << 32);
    constexpr uint64_t pairsLow = 1 + (10000ull << 32);
    value = (((word & mask) * pairsHigh) + (((word >> 16) & mask) * pairsLow)) >> 32;
    return true;
}

// The value of a number literal: its significant digits and where the point
// goes. Comparisons and the reads that need every digit go through this.
struct Parts {
    bool negative = false;
    std::string digits;   // no leading or trailing zero; empty for zero
    int64_t exponent = 0; // the value is 0.<digits> x 10^exponent

    bool isZero() const { return digits.empty(); }
};

// `literal` is a JSON number (the exponent within 18 digits), as decimals
// hold and as to_chars writes integers and finite doubles.
Parts partsOf(std::string_view literal)
{
    Parts parts;
    size_t i = 0;
    if (i < literal.size() && literal[i] == '-') {
        parts.negative = true;
        ++i;
    }
    bool beforePoint = true;
    for (; i < literal.size() && (isDigit(literal[i]) || literal[i] == '.'); ++i) {
        const char c = literal[i];
        if (c == '.') {
            beforePoint = false;
        } else if (parts.digits.empty() && c == '0') {
            // A zero before the first significant digit only moves the point
            // when it follows the point ("0.05").
            if (!beforePoint) --parts.exponent;
        } else {
            parts.digits += c;
            if (beforePoint) ++parts.exponent;
        }
    }
    if (i < literal.size() && (literal[i] == 'e' || literal[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < literal.size() && (literal[i] == '+' || literal[i] == '-')) negativeExponent = literal[i++] == '-';
        int64_t written = 0;
        for (; i < literal.size() && isDigit(literal[i]); ++i) written = written * 10 + (literal[i] - '0');
        parts.exponent += negativeExponent ? -written : written;
    }
    while (!parts.digits.empty() && parts.digits.back() == '0') parts.digits.pop_back();
    if (parts.isZero()) parts.exponent = 0;
    return parts;
}

bool sameNumber(const Parts& a, const Parts& b)
{
    if (a.isZero() || b.isZero()) return a.isZero() && b.isZero();
    return a.negative == b.negative && a.exponent == b.exponent && a.digits == b.digits;
}

// A real's own text, as asString writes it (the shortest that reads back as
// it, at float precision for one marked float); empty when it is not finite.
std::string realText(const Value& real)
{
    return std::isfinite(real.asDouble()) ? real.asString() : std::string();
}

// The whole part of a number's magnitude; nothing past 20 digits, which is
// past every 64-bit number.
std::optional<unsigned __int128> wholeMagnitude(const Parts& parts)
{
    if (parts.isZero() || parts.exponent <= 0) return 0;
    if (parts.exponent > 20) return std::nullopt;
    unsigned __int128 whole = 0;
    for (int64_t k = 0; k < parts.exponent; ++k) {
        const size_t at = static_cast<size_t>(k);
        whole = whole * 10 + static_cast<unsigned>(at < parts.digits.size() ? parts.digits[at] - '0' : 0);
    }
    return whole;
}

uint64_t clampedWholeMagnitude(const Parts& parts, uint64_t limit)
{
    const std::optional<unsigned __int128> whole = wholeMagnitude(parts);
    return !whole || *whole > limit ? limit : static_cast<uint64_t>(*whole);
}

int64_t signedFromMagnitude(bool negative, uint64_t magnitude)
{
    if (!negative) return static_cast<int64_t>(magnitude);
    return magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -static_cast<int64_t>(magnitude);
}

// The nearest double to a literal that from_chars found out of range:
// infinity past the largest double, zero or the nearest subnormal below the
// smallest. strtod sorts the two apart; it needs a NUL-terminated copy and
// the C locale.
double readOutOfRangeReal(std::string_view literal)
{
    static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    const std::string copy(literal);
    return strtod_l(copy.c_str(), nullptr, cLocale);
}

// The most zeros a number's plain digits take between the point and its
// first digit, or after its last digit: every number the platform's decimal
// holds (powers of ten from -128 to 127) fits.
constexpr int64_t kMostPlainZeros = 127;
// The largest exponent of kMostExponentDigits digits.
constexpr int64_t kLargestWrittenExponent = 999999999999999999;

// Appends the number digits x 10^power (digits: no leading or trailing zero,
// not empty) as a decimal number prints it (see appendNumberText).
void appendScaledDigits(std::string& out, bool negative, std::string_view digits, int64_t power)
{
    if (negative) out += '-';
    const auto count = static_cast<int64_t>(digits.size());
    const int64_t whole = count + power; // digits before the point
    if (power > kMostPlainZeros || whole < -kMostPlainZeros) {
        // One digit before the point, unless the exponent would pass the 18
        // digits a reader takes: then the point moves as far as it must
        // (never further than in the literal the number was read from).
        int64_t exponent = whole - 1;
        if (exponent > kLargestWrittenExponent) {
            const auto before = static_cast<size_t>(exponent - kLargestWrittenExponent + 1);
            out.append(digits.substr(0, before));
            if (before < digits.size()) {
                out += '.';
                out.append(digits.substr(before));
            } else {
                out.append(before - digits.size(), '0');
            }
            exponent = kLargestWrittenExponent;
        } else if (exponent < -kLargestWrittenExponent) {
            out += "0.";
            out.append(static_cast<size_t>(-kLargestWrittenExponent - exponent - 1), '0');
            out.append(digits);
            exponent = -kLargestWrittenExponent;
        } else {
            out += digits[0];
            if (digits.size() > 1) {
                out += '.';
                out.append(digits.substr(1));
            }
        }
        out += exponent < 0 ? "E-" : "E+";
        char text[24];
        const uint64_t magnitude = exponent < 0 ? 0 - static_cast<uint64_t>(exponent) : static_cast<uint64_t>(exponent);
        out.append(text, std::to_chars(text, text + sizeof text, magnitude).ptr);
        return;
    }
    if (power >= 0) {
        out.append(digits);
        out.append(static_cast<size_t>(power), '0');
        return;
    }
    if (whole > 0) {
        out.append(digits.substr(0, static_cast<size_t>(whole)));
        out += '.';
        out.append(digits.substr(static_cast<size_t>(whole)));
    } else {
        out += "0.";
        out.append(static_cast<size_t>(-whole), '0');
        out.append(digits);
    }
}

} // namespace

Value::DecimalSyntax Value::readDecimal(const char*& cursor, const char* end, Value& out)
{
    const char* const start = cursor;
    const char* c = cursor;
    uint8_t form = 0;
    if (c != end && *c == '-') {
        form |= kNegative;
        ++c;
    }
    // The digits of the integer part and the fraction accumulate as one
    // integer while they are at most 19, which always fits 64 bits; `count`
    // keeps counting past that.
    uint64_t digits = 0;
    size_t count = 0;
    const auto scanDigits = [&] {
        const char* p = c;
        uint64_t eight = 0;
        while (count + 8 <= kMostSmallDigits && end - p >= 8 && readEightDigits(p, eight)) {
            digits = digits * 100000000 + eight;
            p += 8;
            count += 8;
        }
        for (; p != end && isDigit(*p); ++p, ++count) {
            if (count < kMostSmallDigits) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
        }
        c = p;
    };
    if (c != end && *c == '0') {
        ++c;
        ++count;
        if (c != end && isDigit(*c)) return DecimalSyntax::LeadingZero;
    } else if (c != end && isDigit(*c)) {
        scanDigits();
    } else {
        return DecimalSyntax::NoDigitsAfterMinus;
    }
    const size_t integerDigits = count;
    if (c != end && *c == '.') {
        ++c;
        if (c == end || !isDigit(*c)) return DecimalSyntax::NoDigitsAfterPoint;
        scanDigits();
    }
    uint64_t exponent = 0;
    size_t exponentZeros = 0;
    if (c != end && (*c == 'e' || *c == 'E')) {
        form |= kExponent | (*c == 'E' ? kCapitalE : 0);
        ++c;
        if (c != end && (*c == '+' || *c == '-')) form |= *c++ == '+' ? kExponentPlus : kExponentMinus;
        if (c == end || !isDigit(*c)) return DecimalSyntax::NoDigitsAfterExponent;
        for (; c != end && *c == '0'; ++c) ++exponentZeros;
        size_t significant = 0;
        for (; c != end && isDigit(*c); ++c) {
            if (++significant <= kMostExponentDigits) exponent = exponent * 10 + static_cast<uint64_t>(*c - '0');
        }
        if (significant > kMostExponentDigits) return DecimalSyntax::ExponentTooLong;
        // In "1e0" and "1e00" the last zero is the exponent itself.
        if (significant == 0) --exponentZeros;
    }

    // Written into `out` field by field: a number is read for every element
    // of a large array, and a temporary moved in costs as much as the reading.
    Storage* text = nullptr;
    DecimalForm held;
    if (count <= kMostSmallDigits && exponent <= kLargestSmallExponent && exponentZeros <= kMostExponentZeros) {
        held.fractionDigits = static_cast<uint8_t>(count - integerDigits);
        held.form = static_cast<uint8_t>(form | exponentZeros << kExponentZerosShift);
        held.exponent = static_cast<uint16_t>(exponent);
    } else {
        held.form = form & kNegative;
        text = makeString(std::string_view(start, static_cast<size_t>(c - start)));
    }
    if (out.hasStorage()) out.release();
    out.kind_ = text != nullptr ? kLongDecimal : Kind::Decimal;
    out.is32Bit_ = out.isFloat_ = out.isUnsigned_ = false;
    out.decimal_ = held;
    if (text != nullptr) {
        out.payload_.storage = text;
    } else {
        out.payload_.integer = static_cast<int64_t>(digits);
    }
    cursor = c;
    return DecimalSyntax::Read;
}

std::optional<Value> Value::decimal(std::string_view text)
{
    const char* cursor = text.data();
    const char* end = cursor + text.size();
    Value out;
    if (readDecimal(cursor, end, out) != DecimalSyntax::Read || cursor != end) return std::nullopt;
    return out;
}

std::string_view Value::decimalText(DecimalTextRoom& room) const
{
    if (!isDecimal()) return {};
    if (kind_ == kLongDecimal) {
        const auto* block = static_cast<const StringStorage*>(payload_.storage);
        return std::string_view(block->bytes(), block->size);
    }
    char* p = room.bytes;
    char* const roomEnd = room.bytes + sizeof room.bytes;
    if (decimal_.form & kNegative) *p++ = '-';
    const auto digitsValue = static_cast<uint64_t>(payload_.integer);
    const size_t fraction = decimal_.fractionDigits;
    if (fraction == 0 && !(decimal_.form & kExponent)) {
        // Most numbers are whole ones: their digits are the whole text.
        p = std::to_chars(p, roomEnd, digitsValue).ptr;
        return std::string_view(room.bytes, static_cast<size_t>(p - room.bytes));
    }
    char digits[24];
    const size_t count = static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, digitsValue).ptr - digits);
    if (count <= fraction) {
        // Only fraction digits: "0." and the zeros the number leaves out.
        *p++ = '0';
        *p++ = '.';
        std::memset(p, '0', fraction - count);
        p += fraction - count;
        std::memcpy(p, digits, count);
        p += count;
    } else {
        std::memcpy(p, digits, count - fraction);
        p += count - fraction;
        if (fraction > 0) {
            *p++ = '.';
            std::memcpy(p, digits + count - fraction, fraction);
            p += fraction;
        }
    }
    if (decimal_.form & kExponent) {
        *p++ = decimal_.form & kCapitalE ? 'E' : 'e';
        if (decimal_.form & kExponentPlus) *p++ = '+';
        if (decimal_.form & kExponentMinus) *p++ = '-';
        const size_t zeros = decimal_.form >> kExponentZerosShift;
        std::memset(p, '0', zeros);
        p += zeros;
        p = std::to_chars(p, roomEnd, decimal_.exponent).ptr;
    }
    return std::string_view(room.bytes, static_cast<size_t>(p - room.bytes));
}

void Value::appendNumberText(std::string& out) const
{
    if (kind_ == kLongDecimal) {
        DecimalTextRoom room;
        const Parts parts = partsOf(decimalText(room));
        if (parts.isZero()) {
            out += '0';
            return;
        }
        appendScaledDigits(out, parts.negative, parts.digits,
                           parts.exponent - static_cast<int64_t>(parts.digits.size()));
        return;
    }
    if (kind_ != Kind::Decimal) return;
    uint64_t digits = static_cast<uint64_t>(payload_.integer);
    if (digits == 0) {
        out += '0';
        return;
    }
    const bool negative = decimal_.form & kNegative;
    if (decimal_.fractionDigits == 0 && !(decimal_.form & kExponent)) {
        // Most numbers are whole ones: their digits are the whole text.
        char text[24];
        char* p = text;
        if (negative) *p++ = '-';
        out.append(text, std::to_chars(p, text + sizeof text, digits).ptr);
        return;
    }
    int64_t power = (decimal_.form & kExponentMinus ? -int64_t(decimal_.exponent) : int64_t(decimal_.exponent)) -
                    decimal_.fractionDigits;
    while (digits % 10 == 0) {
        digits /= 10;
        ++power;
    }
    char text[24];
    const size_t count = static_cast<size_t>(std::to_chars(text, text + sizeof text, digits).ptr - text);
    appendScaledDigits(out, negative, std::string_view(text, count), power);
}

int64_t Value::decimalAsInt64() const
{
    const bool negative = decimal_.form & kNegative;
    if (kind_ == Kind::Decimal && !(decimal_.form & kExponent)) {
        const uint64_t whole = static_cast<uint64_t>(payload_.integer) / kPowersOfTen[decimal_.fractionDigits];
        const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
        return signedFromMagnitude(negative, std::min(whole, limit));
    }
    DecimalTextRoom room;
    const Parts parts = partsOf(decimalText(room));
    const uint64_t limit = parts.negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    return signedFromMagnitude(parts.negative, clampedWholeMagnitude(parts, limit));
}

uint64_t Value::decimalAsUInt64() const
{
    if (decimal_.form & kNegative) return 0;
    if (kind_ == Kind::Decimal && !(decimal_.form & kExponent)) {
        return static_cast<uint64_t>(payload_.integer) / kPowersOfTen[decimal_.fractionDigits];
    }
    DecimalTextRoom room;
    return clampedWholeMagnitude(partsOf(decimalText(room)), UINT64_MAX);
}

double Value::decimalAsDouble() const
{
    if (kind_ == Kind::Decimal) {
        // Digits up to 2^53 and a power within 10^22 are both exact doubles,
        // so one multiplication or division rounds correctly.
        const uint64_t digits = static_cast<uint64_t>(payload_.integer);
        const int64_t written = decimal_.form & kExponentMinus ? -int64_t(decimal_.exponent) : decimal_.exponent;
        const int64_t power = written - decimal_.fractionDigits;
        if (digits <= (uint64_t(1) << 53) && power >= -22 && power <= 22) {
            const double mantissa = static_cast<double>(digits);
            const double real = power < 0 ? mantissa / kExactPowersOfTen[-power] : mantissa * kExactPowersOfTen[power];
            return decimal_.form & kNegative ? -real : real;
        }
    }
    DecimalTextRoom room;
    const std::string_view literal = decimalText(room);
    double real = 0;
    const auto result = std::from_chars(literal.data(), literal.data() + literal.size(), real);
    if (result.ec == std::errc::result_out_of_range) return readOutOfRangeReal(literal);
    return real;
}

bool Value::decimalAsBool() const
{
    if (kind_ == Kind::Decimal) return payload_.integer != 0;
    DecimalTextRoom room;
    for (const char c : decimalText(room)) {
        if (c == 'e' || c == 'E') break;
        if (c >= '1' && c <= '9') return true;
    }
    return false;
}

bool Value::decimalEquals(const Value& decimal, const Value& other)
{
    // A small literal without an exponent: its digits and the count of them
    // after the point say it all.
    const auto plain = [](const Value& v) { return v.kind_ == Kind::Decimal && !(v.decimal_.form & kExponent); };
    const uint64_t digits = static_cast<uint64_t>(decimal.payload_.integer);
    const bool negative = decimal.decimal_.form & kNegative;
    std::string otherText;
    DecimalTextRoom otherRoom;
    switch (other.kind()) {
    case Kind::Decimal:
        // Two small literals with as many fraction digits and no exponent
        // ("12.50" and "-3.25") compare by their digits.
        if (plain(decimal) && plain(other) && decimal.decimal_.fractionDigits == other.decimal_.fractionDigits) {
            const uint64_t otherDigits = static_cast<uint64_t>(other.payload_.integer);
            if (digits == 0 || otherDigits == 0) return digits == otherDigits;
            return digits == otherDigits && negative == bool(other.decimal_.form & kNegative);
        }
        otherText = std::string(other.decimalText(otherRoom));
        break;
    case Kind::Integer:
        if (plain(decimal) && decimal.decimal_.fractionDigits == 0) {
            if (other.isUnsigned_) return !negative && digits == static_cast<uint64_t>(other.payload_.integer);
            const int64_t number = other.payload_.integer;
            if (digits == 0) return number == 0;
            if (negative != (number < 0)) return false;
            return digits == (number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number));
        }
        otherText = other.asString();
        break;
    case Kind::Real:
        otherText = realText(other);
        if (otherText.empty()) return false;
        break;
    default: return false;
    }
    DecimalTextRoom room;
    return sameNumber(partsOf(decimal.decimalText(room)), partsOf(otherText));
}

Value Value::narrowedNumber() const
{
    if (!isDecimal()) return *this;
    DecimalTextRoom room;
    const Parts parts = partsOf(decimalText(room));
    if (parts.isZero()) return parts.negative ? Value(-0.0) : Value(int64_t{0});
    if (parts.exponent >= static_cast<int64_t>(parts.digits.size())) {
        if (const std::optional<unsigned __int128> whole = wholeMagnitude(parts)) {
            if (parts.negative && *whole <= uint64_t(INT64_MAX) + 1) {
                return Value(signedFromMagnitude(true, static_cast<uint64_t>(*whole)));
            }
            if (!parts.negative && *whole <= UINT64_MAX) return Value(static_cast<unsigned long long>(*whole));
        }
    }
    const Value real(decimalAsDouble());
    const std::string text = realText(real);
    if (!text.empty() && sameNumber(parts, partsOf(text))) return real;
    return *this;
}

} // namespace mw
