// Feeds arbitrary format strings and arguments to format(). The input is the
// format string, a zero byte, then the arguments: each starts with a byte whose
// low four bits choose its kind, followed by the bytes of its value.
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
#include <cstring>
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

    (void)mw::format(fmt, args);
    // The same string with no arguments: every conversion finds none.
    (void)mw::format(fmt);
    return 0;
}
