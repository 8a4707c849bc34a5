#include "foundation/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace mw {

namespace {

enum class Length { None, Char, Short, Long, LongLong, Size, Max, PtrDiff, LongDouble };

// One parsed conversion specification, "%[n$][flags][width][.precision][length]conversion".
struct Spec {
    bool leftAlign = false;   // '-'
    bool plusSign = false;    // '+'
    bool spaceSign = false;   // ' '
    bool zeroPad = false;     // '0'
    bool alternate = false;   // '#'
    int position = 0;         // n of "%n$", 0 when absent
    int width = -1;
    bool widthFromArg = false;
    int widthPosition = 0;    // n of "*n$"
    int precision = -1;       // -1: not given
    bool precisionFromArg = false;
    int precisionPosition = 0;
    Length length = Length::None;
    char conversion = 0;      // 0 when the string ended inside the conversion
};

constexpr int kMaxNumber = 1 << 20; // keeps absurd widths from data files in check

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// ASCII only: std::toupper would consult the global locale.
void toUpperAscii(std::string& s)
{
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
}

int readNumber(std::string_view fmt, size_t& i)
{
    int value = 0;
    while (i < fmt.size() && isDigit(fmt[i])) {
        value = std::min(kMaxNumber, value * 10 + (fmt[i] - '0'));
        ++i;
    }
    return value;
}

// Reads "n$" when it follows; leaves i unchanged otherwise.
int readPosition(std::string_view fmt, size_t& i)
{
    size_t j = i;
    if (j >= fmt.size() || !isDigit(fmt[j]) || fmt[j] == '0') {
        return 0;
    }
    int n = readNumber(fmt, j);
    if (j < fmt.size() && fmt[j] == '$') {
        i = j + 1;
        return n;
    }
    return 0;
}

// Parses the conversion that starts after a '%' at i; i ends after it.
Spec parseSpec(std::string_view fmt, size_t& i)
{
    Spec spec;
    spec.position = readPosition(fmt, i);
    for (; i < fmt.size(); ++i) {
        char c = fmt[i];
        if (c == '-') spec.leftAlign = true;
        else if (c == '+') spec.plusSign = true;
        else if (c == ' ') spec.spaceSign = true;
        else if (c == '0') spec.zeroPad = true;
        else if (c == '#') spec.alternate = true;
        else break;
    }
    if (i < fmt.size() && fmt[i] == '*') {
        ++i;
        spec.widthFromArg = true;
        spec.widthPosition = readPosition(fmt, i);
    } else if (i < fmt.size() && isDigit(fmt[i])) {
        spec.width = readNumber(fmt, i);
    }
    if (i < fmt.size() && fmt[i] == '.') {
        ++i;
        if (i < fmt.size() && fmt[i] == '*') {
            ++i;
            spec.precisionFromArg = true;
            spec.precisionPosition = readPosition(fmt, i);
        } else {
            spec.precision = readNumber(fmt, i);
        }
    }
    if (i < fmt.size()) {
        switch (fmt[i]) {
        case 'h':
            ++i;
            spec.length = Length::Short;
            if (i < fmt.size() && fmt[i] == 'h') {
                ++i;
                spec.length = Length::Char;
            }
            break;
        case 'l':
            ++i;
            spec.length = Length::Long;
            if (i < fmt.size() && fmt[i] == 'l') {
                ++i;
                spec.length = Length::LongLong;
            }
            break;
        case 'q': ++i; spec.length = Length::LongLong; break;
        case 'z': ++i; spec.length = Length::Size; break;
        case 'j': ++i; spec.length = Length::Max; break;
        case 't': ++i; spec.length = Length::PtrDiff; break;
        case 'L': ++i; spec.length = Length::LongDouble; break;
        default: break;
        }
    }
    if (i < fmt.size()) {
        spec.conversion = fmt[i];
        ++i;
    }
    return spec;
}

bool isKnownConversion(char c)
{
    switch (c) {
    case 'd': case 'i': case 'u': case 'x': case 'X': case 'o': case 'c': case 's': case '@':
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'p': case 'n':
        return true;
    default:
        return false;
    }
}

// --- Argument conversions for mismatched types ------------------------------

// The leading number of a string, as the platform's intValue/doubleValue read it.
double leadingReal(const std::string& s)
{
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
    if (p < end && *p == '+') ++p;
    double value = 0;
    auto result = std::from_chars(p, end, value);
    return result.ec == std::errc() ? value : 0;
}

int64_t leadingInteger(const std::string& s)
{
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n')) ++p;
    if (p < end && *p == '+') ++p;
    int64_t value = 0;
    auto result = std::from_chars(p, end, value);
    return result.ec == std::errc() ? value : 0;
}

// A real cut toward zero into the 64-bit range; NaN reads as 0.
int64_t truncateReal(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
    if (v <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(v);
}

// Bits the integer conversion works at: the length modifier's, or else the
// width of the argument itself.
int conversionBits(const Spec& spec, const FormatArg& arg)
{
    switch (spec.length) {
    case Length::Char: return 8;
    case Length::Short: return 16;
    case Length::Long: case Length::LongLong: case Length::Size: case Length::Max: case Length::PtrDiff:
        return 64;
    default:
        bool integer = arg.kind() == FormatArg::Kind::Signed || arg.kind() == FormatArg::Kind::Unsigned;
        return integer ? arg.bits() : 64;
    }
}

uint64_t rawBits(const FormatArg& arg)
{
    switch (arg.kind()) {
    case FormatArg::Kind::Signed: return static_cast<uint64_t>(arg.signedValue());
    case FormatArg::Kind::Unsigned: case FormatArg::Kind::Pointer: return arg.unsignedValue();
    case FormatArg::Kind::Real: return static_cast<uint64_t>(truncateReal(arg.realValue()));
    case FormatArg::Kind::String: return static_cast<uint64_t>(leadingInteger(arg.stringValue()));
    }
    return 0;
}

uint64_t maskTo(uint64_t v, int bits) { return bits >= 64 ? v : v & ((uint64_t(1) << bits) - 1); }

int64_t asSigned(const Spec& spec, const FormatArg& arg)
{
    int bits = conversionBits(spec, arg);
    uint64_t v = maskTo(rawBits(arg), bits);
    if (bits < 64 && (v >> (bits - 1)) & 1) {
        v |= ~uint64_t(0) << bits; // sign-extend
    }
    return static_cast<int64_t>(v);
}

uint64_t asUnsigned(const Spec& spec, const FormatArg& arg)
{
    return maskTo(rawBits(arg), conversionBits(spec, arg));
}

double asReal(const FormatArg& arg)
{
    switch (arg.kind()) {
    case FormatArg::Kind::Signed: return static_cast<double>(arg.signedValue());
    case FormatArg::Kind::Unsigned: case FormatArg::Kind::Pointer:
        return static_cast<double>(arg.unsignedValue());
    case FormatArg::Kind::Real: return arg.realValue();
    case FormatArg::Kind::String: return leadingReal(arg.stringValue());
    }
    return 0;
}

// --- Writers ----------------------------------------------------------------

void pad(std::string& out, size_t count, char c) { out.append(count, c); }

// Writes sign/prefix, zero padding and digits within the field width.
void writeNumberField(std::string& out, const Spec& spec, std::string_view prefix, std::string_view digits,
                      bool zeroPadAllowed)
{
    size_t length = prefix.size() + digits.size();
    size_t width = spec.width > 0 ? size_t(spec.width) : 0;
    size_t fill = width > length ? width - length : 0;
    if (spec.leftAlign) {
        out += prefix;
        out += digits;
        pad(out, fill, ' ');
    } else if (spec.zeroPad && zeroPadAllowed) {
        out += prefix;
        pad(out, fill, '0');
        out += digits;
    } else {
        pad(out, fill, ' ');
        out += prefix;
        out += digits;
    }
}

std::string_view signPrefix(bool negative, const Spec& spec)
{
    if (negative) return "-";
    if (spec.plusSign) return "+";
    if (spec.spaceSign) return " ";
    return "";
}

void writeInteger(std::string& out, const Spec& spec, const FormatArg& arg)
{
    char c = spec.conversion;
    bool isSigned = (c == 'd' || c == 'i');
    bool negative = false;
    uint64_t magnitude;
    if (isSigned) {
        int64_t v = asSigned(spec, arg);
        negative = v < 0;
        magnitude = negative ? uint64_t(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    } else {
        magnitude = asUnsigned(spec, arg);
    }

    int base = (c == 'x' || c == 'X') ? 16 : (c == 'o' ? 8 : 10);
    char buffer[72];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base);
    std::string digits(buffer, result.ptr);
    if (c == 'X') {
        toUpperAscii(digits);
    }
    if (spec.precision >= 0) {
        if (spec.precision == 0 && magnitude == 0) {
            digits.clear();
        }
        if (digits.size() < size_t(spec.precision)) {
            digits.insert(0, size_t(spec.precision) - digits.size(), '0');
        }
    }
    std::string_view prefix = isSigned ? signPrefix(negative, spec) : "";
    if (spec.alternate && magnitude != 0 && base == 16) {
        prefix = (c == 'X') ? "0X" : "0x";
    }
    if (spec.alternate && base == 8 && (digits.empty() || digits[0] != '0')) {
        digits.insert(0, 1, '0');
    }
    writeNumberField(out, spec, prefix, digits, spec.precision < 0);
}

// Past this many digits after the point a double has nothing but zeros in
// either form: its exact decimal expansion ends within 1074 fraction digits
// (%f) and 767 significant digits (%e).
constexpr int kExactDigits = 1100;

// Exact digits of v in the form asked; digits past kExactDigits are the zeros
// the exact expansion has there, added without widening the conversion.
std::string toChars(double v, std::chars_format fmt, int precision)
{
    const int exact = std::min(precision, kExactDigits);
    // 309 integer digits, the point, the fraction, and an exponent of "e+308".
    std::vector<char> buffer(size_t(exact) + 330);
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, fmt, exact);
    if (result.ec != std::errc()) {
        return "0";
    }
    std::string digits(buffer.data(), result.ptr);
    if (precision > exact) {
        const size_t exponent = digits.find_first_of("eE");
        digits.insert(exponent == std::string::npos ? digits.size() : exponent, size_t(precision - exact), '0');
    }
    return digits;
}

// Drops trailing zeros of the fraction, and the point when nothing follows it.
void stripTrailingZeros(std::string& digits)
{
    size_t point = digits.find('.');
    if (point == std::string::npos) return;
    size_t exponent = digits.find_first_of("eE");
    size_t fractionEnd = exponent == std::string::npos ? digits.size() : exponent;
    size_t last = fractionEnd;
    while (last > point + 1 && digits[last - 1] == '0') --last;
    if (last == point + 1) last = point;
    digits.erase(last, fractionEnd - last);
}

void ensurePoint(std::string& digits)
{
    if (digits.find('.') != std::string::npos) return;
    size_t exponent = digits.find_first_of("eE");
    digits.insert(exponent == std::string::npos ? digits.size() : exponent, 1, '.');
}

// %f %e %g in the C locale through std::to_chars, which never reads the locale.
void writeReal(std::string& out, const Spec& spec, double v)
{
    char c = spec.conversion;
    bool upper = (c == 'F' || c == 'E' || c == 'G');
    bool negative = std::signbit(v);
    double magnitude = std::fabs(v);
    const int precision = spec.precision < 0 ? 6 : spec.precision;

    std::string digits;
    if (!std::isfinite(magnitude)) {
        digits = std::isnan(magnitude) ? "nan" : "inf";
    } else if (c == 'f' || c == 'F') {
        digits = toChars(magnitude, std::chars_format::fixed, precision);
        if (spec.alternate) ensurePoint(digits);
    } else if (c == 'e' || c == 'E') {
        digits = toChars(magnitude, std::chars_format::scientific, precision);
        if (spec.alternate) ensurePoint(digits);
    } else {
        // %g: scientific when the exponent is below -4 or not below the precision.
        int significant = precision == 0 ? 1 : precision;
        std::string scientific = toChars(magnitude, std::chars_format::scientific, significant - 1);
        int exponent = std::atoi(scientific.c_str() + scientific.find('e') + 1);
        if (exponent < -4 || exponent >= significant) {
            digits = scientific;
        } else {
            digits = toChars(magnitude, std::chars_format::fixed, significant - 1 - exponent);
        }
        if (spec.alternate) {
            ensurePoint(digits);
        } else {
            stripTrailingZeros(digits);
        }
    }
    if (upper) {
        toUpperAscii(digits);
    }
    writeNumberField(out, spec, signPrefix(negative, spec), digits, std::isfinite(magnitude));
}

// Cuts a UTF-8 string to at most maxBytes without splitting a character.
std::string_view cutUtf8(std::string_view s, size_t maxBytes)
{
    if (s.size() <= maxBytes) return s;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    return s.substr(0, end);
}

// What "%s" or "%@" shows for an argument of any kind.
std::string argumentText(const FormatArg& arg)
{
    switch (arg.kind()) {
    case FormatArg::Kind::String: return arg.stringValue();
    case FormatArg::Kind::Signed: return std::to_string(arg.signedValue());
    case FormatArg::Kind::Unsigned: return std::to_string(arg.unsignedValue());
    case FormatArg::Kind::Real: {
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, arg.realValue());
        return std::string(buffer, result.ptr);
    }
    case FormatArg::Kind::Pointer: {
        char buffer[24];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, arg.unsignedValue(), 16);
        return "0x" + std::string(buffer, result.ptr);
    }
    }
    return {};
}

void writeString(std::string& out, const Spec& spec, const FormatArg& arg)
{
    std::string text = argumentText(arg);
    std::string_view shown = text;
    if (spec.precision >= 0) {
        shown = cutUtf8(text, size_t(spec.precision));
    }
    Spec plain = spec;
    plain.zeroPad = false;
    writeNumberField(out, plain, "", shown, false);
}

void writeChar(std::string& out, const Spec& spec, const FormatArg& arg)
{
    char ch;
    if (arg.kind() == FormatArg::Kind::String) {
        ch = arg.stringValue().empty() ? '\0' : arg.stringValue()[0];
    } else {
        ch = static_cast<char>(rawBits(arg) & 0xFF);
    }
    Spec plain = spec;
    plain.zeroPad = false;
    writeNumberField(out, plain, "", std::string_view(&ch, 1), false);
}

void writePointer(std::string& out, const Spec& spec, const FormatArg& arg)
{
    uint64_t address = arg.kind() == FormatArg::Kind::String ? 0 : rawBits(arg);
    if (address == 0) {
        Spec plain = spec;
        plain.zeroPad = false;
        writeNumberField(out, plain, "", "(nil)", false);
        return;
    }
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, address, 16);
    writeNumberField(out, spec, "0x", std::string_view(buffer, size_t(result.ptr - buffer)), true);
}

// Hands out arguments in order, or by position for "%n$".
class ArgumentList {
public:
    explicit ArgumentList(std::span<const FormatArg> args) : args_(args) {}

    const FormatArg* take(int position)
    {
        if (position > 0) {
            return size_t(position) <= args_.size() ? &args_[size_t(position) - 1] : nullptr;
        }
        return next_ < args_.size() ? &args_[next_++] : nullptr;
    }

    // An int argument for '*', or nothing when missing.
    std::optional<int> takeInt(int position)
    {
        const FormatArg* arg = take(position);
        if (!arg) return std::nullopt;
        int64_t v = std::clamp<int64_t>(static_cast<int64_t>(rawBits(*arg)), -kMaxNumber, kMaxNumber);
        if (arg->kind() == FormatArg::Kind::Unsigned && arg->unsignedValue() > uint64_t(kMaxNumber)) {
            v = kMaxNumber;
        }
        return static_cast<int>(v);
    }

private:
    std::span<const FormatArg> args_;
    size_t next_ = 0;
};

void writeConversion(std::string& out, Spec spec, ArgumentList& args)
{
    if (spec.widthFromArg) {
        int w = args.takeInt(spec.widthPosition).value_or(0);
        if (w < 0) {
            spec.leftAlign = true;
            w = -w;
        }
        spec.width = w;
    }
    if (spec.precisionFromArg) {
        int p = args.takeInt(spec.precisionPosition).value_or(-1);
        spec.precision = p < 0 ? -1 : p;
    }
    const FormatArg* arg = args.take(spec.position);
    if (!arg || spec.conversion == 'n') {
        return;
    }
    switch (spec.conversion) {
    case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
        writeInteger(out, spec, *arg);
        break;
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G':
        writeReal(out, spec, asReal(*arg));
        break;
    case 's': case '@':
        writeString(out, spec, *arg);
        break;
    case 'c':
        writeChar(out, spec, *arg);
        break;
    case 'p':
        writePointer(out, spec, *arg);
        break;
    default:
        break;
    }
}

// Copies the text and writes each conversion. The C-varargs form cannot tell
// the types of positional arguments, so it passes skipPositional and they
// print nothing.
std::string render(std::string_view fmt, std::span<const FormatArg> args, bool skipPositional)
{
    std::string out;
    out.reserve(fmt.size() + 16);
    ArgumentList list(args);
    size_t i = 0;
    while (i < fmt.size()) {
        size_t percent = fmt.find('%', i);
        if (percent == std::string_view::npos) {
            out.append(fmt.substr(i));
            break;
        }
        out.append(fmt.substr(i, percent - i));
        size_t start = percent;
        i = percent + 1;
        if (i < fmt.size() && fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        Spec spec = parseSpec(fmt, i);
        if (!isKnownConversion(spec.conversion)) {
            out.append(fmt.substr(start, i - start)); // copied as written
            continue;
        }
        if (skipPositional && spec.position > 0) {
            continue;
        }
        writeConversion(out, spec, list);
    }
    return out;
}

// Pulls the C variadic arguments in the types the conversions name.
std::vector<FormatArg> collectVarargs(std::string_view text, va_list ap)
{
    std::vector<FormatArg> collected;
    size_t i = 0;
    while ((i = text.find('%', i)) != std::string_view::npos) {
        ++i;
        if (i < text.size() && text[i] == '%') {
            ++i;
            continue;
        }
        Spec spec = parseSpec(text, i);
        if (!isKnownConversion(spec.conversion) || spec.position > 0) {
            continue;
        }
        if (spec.widthFromArg) collected.emplace_back(va_arg(ap, int));
        if (spec.precisionFromArg) collected.emplace_back(va_arg(ap, int));
        switch (spec.conversion) {
        case 'd': case 'i': case 'c':
            switch (spec.length) {
            case Length::Long: collected.emplace_back(va_arg(ap, long)); break;
            case Length::LongLong: case Length::Size: case Length::Max: case Length::PtrDiff:
                collected.emplace_back(va_arg(ap, long long)); break;
            case Length::Char: collected.emplace_back(static_cast<signed char>(va_arg(ap, int))); break;
            case Length::Short: collected.emplace_back(static_cast<short>(va_arg(ap, int))); break;
            default: collected.emplace_back(va_arg(ap, int)); break;
            }
            break;
        case 'u': case 'x': case 'X': case 'o':
            switch (spec.length) {
            case Length::Long: collected.emplace_back(va_arg(ap, unsigned long)); break;
            case Length::LongLong: case Length::Size: case Length::Max: case Length::PtrDiff:
                collected.emplace_back(va_arg(ap, unsigned long long)); break;
            case Length::Char:
                collected.emplace_back(static_cast<unsigned char>(va_arg(ap, unsigned)));
                break;
            case Length::Short:
                collected.emplace_back(static_cast<unsigned short>(va_arg(ap, unsigned)));
                break;
            default: collected.emplace_back(va_arg(ap, unsigned)); break;
            }
            break;
        case 'f': case 'F': case 'e': case 'E': case 'g': case 'G':
            if (spec.length == Length::LongDouble) collected.emplace_back(va_arg(ap, long double));
            else collected.emplace_back(va_arg(ap, double));
            break;
        case 's': case '@':
            collected.emplace_back(va_arg(ap, const char*));
            break;
        default: // 'p', 'n'
            collected.emplace_back(va_arg(ap, const void*));
            break;
        }
    }
    return collected;
}

} // namespace

std::string format(std::string_view fmt, std::span<const FormatArg> args) { return render(fmt, args, false); }

std::string vformat(const char* fmt, va_list args)
{
    if (!fmt) {
        return {};
    }
    va_list ap;
    va_copy(ap, args);
    std::vector<FormatArg> collected = collectVarargs(fmt, ap);
    va_end(ap);
    return render(fmt, collected, true);
}

} // namespace mw
