// Feeds arbitrary format strings and arguments to format(). The input is the
// format string, a zero byte, then the arguments: each starts with a byte whose
// low four bits choose its kind, followed by the bytes of its value. Where the
// format string is text around one conversion that printf reads the same way
// and the first argument is of that conversion's type, the result must equal
// snprintf's.
//
// format() pads any one field to at most 2^20 characters, so a short input of
// large widths could ask for gigabytes and hold each run up for a long time.
// The harness leaves such inputs out (returning -1 keeps them out of the
// corpus): every number written in the format string, and every '*' (whose
// width comes from an argument, kept small here), counts towards kFieldBudget.
// Widths up to the budget still reach every path; the cap itself is checked
// by the unit tests.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "foundation/Format.h"

namespace {

constexpr uint64_t kFieldBudget = 1 << 16;
constexpr int64_t kStarArgumentLimit = 1 << 10;
constexpr size_t kMaxArguments = 16;

// True when the widths, precisions and positions written in `fmt` stay within
// the budget.
bool fieldsWithinBudget(std::string_view fmt)
{
    uint64_t total = 0;
    uint64_t number = 0;
    for (char c : fmt) {
        if (c >= '0' && c <= '9') {
            number = std::min<uint64_t>(number * 10 + uint64_t(c - '0'), kFieldBudget + 1);
            continue;
        }
        total += number + (c == '*' ? uint64_t(kStarArgumentLimit) : 0);
        number = 0;
        if (total > kFieldBudget) return false;
    }
    return total + number <= kFieldBudget;
}

// Reads arguments until the bytes run out. With a '*' in the format string any
// argument may become a width, so every argument is then kept small: numbers
// are clamped and strings (whose leading number a width would read) are cut
// to three characters.
class ArgumentReader {
public:
    ArgumentReader(const uint8_t* data, size_t size, bool bounded) : data_(data), size_(size), bounded_(bounded) {}

    bool done() const { return offset_ >= size_; }

    mw::FormatArg next()
    {
        switch (take<uint8_t>() & 0x0f) {
        case 0: return mw::FormatArg(take<signed char>());
        case 1: return mw::FormatArg(take<unsigned char>());
        case 2: return mw::FormatArg(take<short>());
        case 3: return mw::FormatArg(take<unsigned short>());
        case 4: return mw::FormatArg(bound(take<int>()));
        case 5: return mw::FormatArg(bound(take<unsigned>()));
        case 6: return mw::FormatArg(bound(take<long long>()));
        case 7: return mw::FormatArg(bound(take<unsigned long long>()));
        case 8: return mw::FormatArg(bound(take<float>()));
        case 9: return mw::FormatArg(bound(take<double>()));
        case 10: return mw::FormatArg((take<uint8_t>() & 1) != 0);
        case 11: return mw::FormatArg(static_cast<const char*>(nullptr));
        case 12: return mw::FormatArg(reinterpret_cast<const void*>(bound(take<uintptr_t>())));
        default: {
            size_t length = std::min<size_t>(take<uint8_t>(), size_ - offset_);
            std::string text(reinterpret_cast<const char*>(data_ + offset_), length);
            offset_ += length;
            if (bounded_) text.resize(std::min<size_t>(text.size(), 3));
            return mw::FormatArg(std::move(text));
        }
        }
    }

private:
    // The next bytes as a T; missing bytes read as zero.
    template <typename T>
    T take()
    {
        unsigned char bytes[sizeof(T)] = {};
        const size_t length = std::min(sizeof(T), size_ - offset_);
        std::memcpy(bytes, data_ + offset_, length);
        offset_ += length;
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    template <typename T>
    T bound(T value) const
    {
        if (!bounded_) return value;
        if constexpr (std::is_floating_point_v<T>) {
            return std::isnan(value) ? value : std::clamp<T>(value, -kStarArgumentLimit, kStarArgumentLimit);
        } else if constexpr (std::is_signed_v<T>) {
            return std::clamp<T>(value, -kStarArgumentLimit, kStarArgumentLimit);
        } else {
            return std::min<T>(value, kStarArgumentLimit);
        }
    }

    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
    bool bounded_;
};

// The printf type of the one conversion in `fmt`, when `fmt` is plain text
// around a single "%[flags][width][.precision]conversion" that printf defines
// for that type: d i o u x X for an int, f F e E g G for a double, s for a
// string.
enum class PrintfType { None, Int, Double, String };

PrintfType printfType(std::string_view fmt)
{
    const size_t percent = fmt.find('%');
    if (percent == std::string_view::npos) return PrintfType::None;
    size_t i = percent + 1;
    std::string_view flags;
    const size_t flagsStart = i;
    while (i < fmt.size() && std::string_view("-+ 0#").find(fmt[i]) != std::string_view::npos) ++i;
    flags = fmt.substr(flagsStart, i - flagsStart);
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') ++i;
    int precision = -1;
    if (i < fmt.size() && fmt[i] == '.') {
        precision = 0;
        for (++i; i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9'; ++i) {
            precision = std::min(precision * 10 + (fmt[i] - '0'), 1 << 20);
        }
    }
    if (i >= fmt.size() || fmt.find('%', i + 1) != std::string_view::npos) return PrintfType::None;
    const char conversion = fmt[i];
    const bool alternate = flags.find('#') != std::string_view::npos;
    const bool zero = flags.find('0') != std::string_view::npos;
    if (std::string_view("di").find(conversion) != std::string_view::npos) {
        return alternate ? PrintfType::None : PrintfType::Int;
    }
    if (std::string_view("ouxX").find(conversion) != std::string_view::npos) {
        const bool signFlags = flags.find_first_of("+ ") != std::string_view::npos;
        return (alternate && conversion == 'u') || signFlags ? PrintfType::None : PrintfType::Int;
    }
    if (std::string_view("fFeEgG").find(conversion) != std::string_view::npos) {
        return PrintfType::Double;
    }
    if (conversion == 's') {
        return alternate || zero || flags.find_first_of("+ ") != std::string_view::npos ? PrintfType::None
                                                                                       : PrintfType::String;
    }
    return PrintfType::None;
}

// snprintf's result for `fmt` and one argument.
template <typename T>
std::string printfResult(const std::string& fmt, T value)
{
    const int length = std::snprintf(nullptr, 0, fmt.c_str(), value);
    if (length < 0) return "(snprintf failed)";
    std::string out(size_t(length) + 1, '\0');
    std::snprintf(out.data(), out.size(), fmt.c_str(), value);
    out.resize(size_t(length));
    return out;
}

bool isAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c != 0 && c < 0x80; });
}

// The snprintf result for the first argument, or nothing where the two
// functions are not meant to agree.
std::optional<std::string> expectedFromPrintf(std::string_view fmt, const std::vector<mw::FormatArg>& args)
{
    if (args.empty()) return std::nullopt;
    const mw::FormatArg& arg = args.front();
    const std::string fmtText(fmt);
    switch (printfType(fmt)) {
    case PrintfType::Int:
        if (arg.kind() != mw::FormatArg::Kind::Signed || arg.bits() != 32) return std::nullopt;
        return printfResult(fmtText, static_cast<int>(arg.signedValue()));
    case PrintfType::Double:
        if (arg.kind() != mw::FormatArg::Kind::Real || !std::isfinite(arg.realValue())) return std::nullopt;
        return printfResult(fmtText, arg.realValue());
    case PrintfType::String:
        // format() never cuts a UTF-8 character in two, where printf counts bytes.
        if (arg.kind() != mw::FormatArg::Kind::String || !isAscii(arg.stringValue())) return std::nullopt;
        return printfResult(fmtText, arg.stringValue().c_str());
    case PrintfType::None: break;
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t fmtLength = zero ? size_t(zero - data) : size;
    const std::string_view fmt(reinterpret_cast<const char*>(data), fmtLength);
    if (!fieldsWithinBudget(fmt)) return -1;

    const size_t argsOffset = zero ? fmtLength + 1 : size;
    const bool hasStar = fmt.find('*') != std::string_view::npos;
    ArgumentReader reader(data + argsOffset, size - argsOffset, /*bounded=*/hasStar);
    std::vector<mw::FormatArg> args;
    while (!reader.done() && args.size() < kMaxArguments) args.push_back(reader.next());

    const std::string text = mw::format(fmt, args);
    if (const std::optional<std::string> expected = expectedFromPrintf(fmt, args); expected && *expected != text) {
        std::fprintf(stderr, "format: differs from printf for \"%.*s\"\nformat: \"%s\"\nprintf: \"%s\"\n",
                     int(fmt.size()), fmt.data(), text.c_str(), expected->c_str());
        std::abort();
    }
    // The same string with no arguments: every conversion finds none.
    (void)mw::format(fmt);
    return 0;
}
