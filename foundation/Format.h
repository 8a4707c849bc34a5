#pragma once

#include <concepts>
#include <cstdarg>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// One argument of format(): an integer (remembering whether it was signed and
// how wide it was), a real number, a string or a pointer.
class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Real, String, Pointer };

    FormatArg(bool v) : FormatArg(static_cast<int>(v)) {}
    FormatArg(char v) : kind_(Kind::Signed), signed_(v), bits_(8) {}
    FormatArg(signed char v) : kind_(Kind::Signed), signed_(v), bits_(8) {}
    FormatArg(unsigned char v) : kind_(Kind::Unsigned), unsigned_(v), bits_(8) {}
    FormatArg(short v) : kind_(Kind::Signed), signed_(v), bits_(16) {}
    FormatArg(unsigned short v) : kind_(Kind::Unsigned), unsigned_(v), bits_(16) {}
    FormatArg(int v) : kind_(Kind::Signed), signed_(v), bits_(32) {}
    FormatArg(unsigned v) : kind_(Kind::Unsigned), unsigned_(v), bits_(32) {}
    FormatArg(long v) : kind_(Kind::Signed), signed_(v), bits_(8 * sizeof(long)) {}
    FormatArg(unsigned long v) : kind_(Kind::Unsigned), unsigned_(v), bits_(8 * sizeof(long)) {}
    FormatArg(long long v) : kind_(Kind::Signed), signed_(v), bits_(64) {}
    FormatArg(unsigned long long v) : kind_(Kind::Unsigned), unsigned_(v), bits_(64) {}
    FormatArg(float v) : kind_(Kind::Real), real_(v) {}
    FormatArg(double v) : kind_(Kind::Real), real_(v) {}
    FormatArg(long double v) : kind_(Kind::Real), real_(static_cast<double>(v)) {}
    // A null string prints "(null)", as the platform did for a nil object.
    FormatArg(const char* v) : kind_(Kind::String), string_(v ? v : "(null)") {}
    FormatArg(std::string v) : kind_(Kind::String), string_(std::move(v)) {}
    FormatArg(std::string_view v) : kind_(Kind::String), string_(v) {}
    FormatArg(const void* v) : kind_(Kind::Pointer), unsigned_(reinterpret_cast<uintptr_t>(v)), bits_(64) {}
    FormatArg(std::nullptr_t) : FormatArg(static_cast<const void*>(nullptr)) {}

    Kind kind() const { return kind_; }
    int64_t signedValue() const { return signed_; }
    uint64_t unsignedValue() const { return unsigned_; }
    double realValue() const { return real_; }
    const std::string& stringValue() const { return string_; }
    // Width in bits of the integer the argument came from (8, 16, 32 or 64).
    int bits() const { return bits_; }

private:
    Kind kind_;
    int64_t signed_ = 0;
    uint64_t unsigned_ = 0;
    double real_ = 0;
    std::string string_;
    int bits_ = 64;
};

// printf-compatible formatting that also takes "%@" for a string.
//
// Flags - + space 0 #, width and precision (also *), length modifiers
// hh h l ll z j t L q, conversions d i u x X o c s f F e E g G p @ % and
// positional arguments ("%2$@"). Numbers are always written in the C locale,
// whatever the process's locale: the global locale is never consulted.
//
// Format strings come from data files, so a conversion that does not match
// its argument is converted sensibly instead of misbehaving: an integer
// conversion of a real truncates it, a real conversion of an integer widens
// it, a number conversion of a string reads its leading number, a string
// conversion of a number prints it. A conversion without an argument prints
// nothing; "%n" writes nothing; an unknown conversion is copied as written.
// Without a length modifier an integer prints at the width it was passed, so
// "%d" of a 64-bit value shows the whole value; "%hhd"/"%hd" cut to 8/16 bits.
std::string format(std::string_view fmt, std::span<const FormatArg> args);

inline std::string format(std::string_view fmt, const std::vector<FormatArg>& args)
{
    return format(fmt, std::span<const FormatArg>(args.data(), args.size()));
}

template <typename... Args>
    requires(std::constructible_from<FormatArg, const Args&> && ...)
std::string format(std::string_view fmt, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return format(fmt, std::span<const FormatArg>());
    } else {
        const FormatArg packed[] = {FormatArg(args)...};
        return format(fmt, std::span<const FormatArg>(packed, sizeof...(Args)));
    }
}

// The same for C variadic arguments, whose types follow the conversions as in
// printf ("%@" and "%s" take const char*). Positional arguments are not read
// here and print nothing.
std::string vformat(const char* fmt, va_list args);

} // namespace mw
