#include "social/support/CCJsonParser.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "foundation/Format.h"
#include "foundation/Utf8.h"

namespace mw {

namespace {

// Bytes that end a plain run of string bytes: the quote, the backslash, the
// control characters (an error) and every byte above 0x7F (checked as UTF-8).
struct StopBytes {
    bool stop[256] = {};
    constexpr StopBytes()
    {
        for (int b = 0; b < 0x20; ++b) stop[b] = true;
        stop[static_cast<unsigned char>('"')] = true;
        stop[static_cast<unsigned char>('\\')] = true;
        for (int b = 0x80; b < 256; ++b) stop[b] = true;
    }
};
constexpr StopBytes kStopBytes;

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A real out of the double range: infinity for a literal too large, the
// nearest (zero or subnormal) for one too small. strtod sorts the two apart;
// the literal is copied so that it ends in a NUL, and read in the C locale.
double readOutOfRangeReal(std::string_view literal)
{
    static locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    const std::string copy(literal);
    return strtod_l(copy.c_str(), nullptr, cLocale);
}

} // namespace

std::optional<Value> CCJsonParser::fragmentWithString(std::optional<std::string_view> text)
{
    clearErrorTrace();
    if (!text) {
        addError(12, "Input was 'nil'");
        return std::nullopt;
    }
    depth_ = 0;
    c_ = text->data();
    end_ = c_ + text->size();
    Value value;
    if (!scanValue(value)) return std::nullopt;
    skipWhiteSpace();
    if (c_ != end_) {
        addError(10, "Garbage after JSON");
        return std::nullopt;
    }
    return value;
}

std::optional<Value> CCJsonParser::objectWithString(std::optional<std::string_view> text)
{
    std::optional<Value> value = fragmentWithString(text);
    if (!value) return std::nullopt;
    if (!value->isDict() && !value->isArray()) {
        addError(4, "Valid fragment, but not JSON");
        return std::nullopt;
    }
    return value;
}

void CCJsonParser::skipWhiteSpace()
{
    while (c_ != end_ && isWhiteSpace(*c_)) ++c_;
}

bool CCJsonParser::scanLiteral(std::string_view rest, const char* message)
{
    if (static_cast<size_t>(end_ - c_) >= rest.size() && std::string_view(c_, rest.size()) == rest) {
        c_ += rest.size();
        return true;
    }
    addError(3, message);
    return false;
}

bool CCJsonParser::scanValue(Value& out)
{
    skipWhiteSpace();
    if (c_ == end_) {
        addError(11, "Unexpected end of string");
        return false;
    }
    const char lead = *c_++;
    switch (lead) {
    case '"': {
        std::string text;
        if (!scanRestOfString(text)) return false;
        out = Value(std::move(text));
        return true;
    }
    case '[':
        return scanRestOfArray(out);
    case '{':
        return scanRestOfObject(out);
    case 't':
        if (!scanLiteral("rue", "Expected 'true'")) return false;
        out = Value(true);
        return true;
    case 'f':
        if (!scanLiteral("alse", "Expected 'false'")) return false;
        out = Value(false);
        return true;
    case 'n':
        if (!scanLiteral("ull", "Expected 'null'")) return false;
        out = Value();
        return true;
    case '+':
        addError(2, "Leading + disallowed in number");
        return false;
    default:
        if (lead == '-' || isDigit(lead)) {
            --c_;
            return scanNumber(out);
        }
        addError(3, "Unrecognised leading character");
        return false;
    }
}

// Elements and members wait on the parser's own stacks until their container
// is complete, then move into it at its final size: one allocation per
// container instead of one per growth step.
bool CCJsonParser::scanRestOfArray(Value& out)
{
    if (tooDeep(++depth_)) {
        addError(7, "Nested too deep");
        return false;
    }
    const size_t base = elementStack_.size();
    const auto finish = [&](bool ok) {
        if (ok) {
            Value::Array items(
                std::make_move_iterator(elementStack_.begin() + static_cast<std::ptrdiff_t>(base)),
                std::make_move_iterator(elementStack_.end()));
            out = Value(std::move(items));
        }
        elementStack_.resize(base);
        return ok;
    };
    while (true) {
        if (c_ == end_) {
            addError(11, "End of input while parsing array");
            return finish(false);
        }
        skipWhiteSpace();
        if (c_ != end_ && *c_ == ']') {
            ++c_;
            --depth_;
            return finish(true);
        }
        Value item;
        if (!scanValue(item)) {
            addError(3, "Expected value while parsing array");
            return finish(false);
        }
        elementStack_.push_back(std::move(item));
        skipWhiteSpace();
        if (c_ != end_ && *c_ == ',') {
            ++c_;
            skipWhiteSpace();
            if (c_ != end_ && *c_ == ']') {
                addError(9, "Trailing comma disallowed in array");
                return finish(false);
            }
        }
    }
}

bool CCJsonParser::scanRestOfObject(Value& out)
{
    if (tooDeep(++depth_)) {
        addError(7, "Nested too deep");
        return false;
    }
    const size_t base = memberStack_.size();
    const auto finish = [&](bool ok) {
        if (ok) {
            ValueDictionary members;
            members.reserve(memberStack_.size() - base);
            for (size_t i = base; i < memberStack_.size(); ++i) {
                members.set(std::move(memberStack_[i].first), std::move(memberStack_[i].second));
            }
            out = Value(std::move(members));
        }
        memberStack_.resize(base);
        return ok;
    };
    while (true) {
        if (c_ == end_) {
            addError(11, "End of input while parsing object");
            return finish(false);
        }
        skipWhiteSpace();
        if (c_ != end_ && *c_ == '}') {
            ++c_;
            --depth_;
            return finish(true);
        }
        std::string key;
        if (c_ == end_ || *c_ != '"' || (++c_, !scanRestOfString(key))) {
            addError(3, "Object key string expected");
            return finish(false);
        }
        skipWhiteSpace();
        if (c_ == end_ || *c_ != ':') {
            addError(3, "Expected ':' separating key and value");
            return finish(false);
        }
        ++c_;
        Value value;
        if (!scanValue(value)) {
            addError(3, format("Object value expected for key: %@", key));
            return finish(false);
        }
        memberStack_.emplace_back(std::move(key), std::move(value));
        skipWhiteSpace();
        if (c_ != end_ && *c_ == ',') {
            ++c_;
            skipWhiteSpace();
            if (c_ != end_ && *c_ == '}') {
                addError(9, "Trailing comma disallowed in object");
                return finish(false);
            }
        }
    }
}

bool CCJsonParser::scanRestOfString(std::string& out)
{
    // Plain bytes are copied in runs; checked UTF-8 characters stay part of the run.
    const char* run = c_;
    while (c_ != end_) {
        const unsigned char byte = static_cast<unsigned char>(*c_);
        if (!kStopBytes.stop[byte]) {
            ++c_;
            continue;
        }
        if (byte >= 0x80) {
            const Utf8Char character = decodeUtf8(std::string_view(c_, static_cast<size_t>(end_ - c_)), 0);
            if (!character.valid) {
                addError(3, "Invalid UTF-8 in string");
                return false;
            }
            c_ += character.length;
            continue;
        }
        out.append(run, static_cast<size_t>(c_ - run));
        if (byte == '"') {
            ++c_;
            return true;
        } else if (byte == '\\') {
            if (++c_ == end_) break;
            const char escape = *c_++;
            switch (escape) {
            case '"': case '/': case '\\': out += escape; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u':
                if (!scanUnicodeEscape(out)) return false;
                break;
            default:
                addError(8, format("Illegal escape sequence '0x%x'",
                                   static_cast<unsigned>(static_cast<unsigned char>(escape))));
                return false;
            }
            run = c_;
        } else {
            addError(5, format("Unescaped control character '0x%x'", static_cast<unsigned>(byte)));
            return false;
        }
    }
    addError(11, "Unexpected EOF while parsing string");
    return false;
}

bool CCJsonParser::scanHexQuad(uint32_t& unit)
{
    unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = c_ != end_ ? hexValue(*c_) : -1;
        if (digit < 0) {
            addError(6, "Missing hex digit in quad");
            addError(6, "Missing hex quad");
            return false;
        }
        unit = unit * 16 + static_cast<uint32_t>(digit);
        ++c_;
    }
    return true;
}

bool CCJsonParser::scanUnicodeEscape(std::string& out)
{
    const auto broken = [this] {
        addError(6, "Broken unicode character");
        return false;
    };
    uint32_t unit = 0;
    if (!scanHexQuad(unit)) return broken();
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        addError(6, "Invalid high character in surrogate pair");
        return broken();
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (end_ - c_ < 2 || c_[0] != '\\' || c_[1] != 'u') {
            addError(6, "Missing low character in surrogate pair");
            return broken();
        }
        c_ += 2;
        uint32_t low = 0;
        if (!scanHexQuad(low)) return broken();
        if (low < 0xDC00 || low > 0xDFFF) {
            addError(6, "Invalid low surrogate char");
            return broken();
        }
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    appendUtf8(out, unit);
    return true;
}

bool CCJsonParser::scanNumber(Value& out)
{
    const char* start = c_;
    bool negative = false;
    if (*c_ == '-') {
        negative = true;
        ++c_;
    }
    if (c_ != end_ && *c_ == '0') {
        ++c_;
        if (c_ != end_ && isDigit(*c_)) {
            addError(2, "Leading 0 disallowed in number");
            return false;
        }
    } else if (c_ != end_ && isDigit(*c_)) {
        while (c_ != end_ && isDigit(*c_)) ++c_;
    } else {
        addError(2, "No digits after initial minus");
        return false;
    }
    const char* integerEnd = c_;
    bool isInteger = true;
    if (c_ != end_ && *c_ == '.') {
        isInteger = false;
        ++c_;
        if (c_ == end_ || !isDigit(*c_)) {
            addError(2, "No digits after decimal point");
            return false;
        }
        while (c_ != end_ && isDigit(*c_)) ++c_;
    }
    if (c_ != end_ && (*c_ == 'e' || *c_ == 'E')) {
        isInteger = false;
        ++c_;
        if (c_ != end_ && (*c_ == '+' || *c_ == '-')) ++c_;
        if (c_ == end_ || !isDigit(*c_)) {
            addError(2, "No digits after exponent");
            return false;
        }
        while (c_ != end_ && isDigit(*c_)) ++c_;
    }

    if (isInteger) {
        // Digits accumulate as the magnitude; INT64_MIN's is one more than INT64_MAX's.
        const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
        uint64_t magnitude = 0;
        bool fits = true;
        for (const char* d = start + (negative ? 1 : 0); d != integerEnd; ++d) {
            const uint64_t digit = static_cast<uint64_t>(*d - '0');
            if (magnitude > (limit - digit) / 10) {
                fits = false;
                break;
            }
            magnitude = magnitude * 10 + digit;
        }
        if (fits) {
            out = Value(negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude));
            return true;
        }
    }
    double real = 0;
    const auto [end, error] = std::from_chars(start, c_, real);
    if (error == std::errc::result_out_of_range) {
        real = readOutOfRangeReal(std::string_view(start, static_cast<size_t>(c_ - start)));
    } else if (error != std::errc() || end != c_) {
        real = HUGE_VAL;
    }
    if (!std::isfinite(real)) {
        addError(2, "Failed creating decimal instance");
        return false;
    }
    out = Value(real);
    return true;
}

} // namespace mw
