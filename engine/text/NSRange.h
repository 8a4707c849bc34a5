#pragma once

#include <algorithm>
#include <cstddef>

namespace mw {

// A stretch of text: `length` UTF-16 units from `location`.
struct NSRange {
    size_t location = 0;
    size_t length = 0;
    friend constexpr bool operator==(const NSRange&, const NSRange&) = default;
};

inline constexpr NSRange NSMakeRange(size_t location, size_t length) { return {location, length}; }
inline constexpr size_t NSMaxRange(NSRange range) { return range.location + range.length; }

// The smallest range holding both.
inline constexpr NSRange NSUnionRange(NSRange a, NSRange b)
{
    const size_t start = std::min(a.location, b.location);
    return {start, std::max(NSMaxRange(a), NSMaxRange(b)) - start};
}

// The overlap of both; empty (at the later start) when they do not meet.
inline constexpr NSRange NSIntersectionRange(NSRange a, NSRange b)
{
    const size_t start = std::max(a.location, b.location);
    const size_t end = std::min(NSMaxRange(a), NSMaxRange(b));
    return end > start ? NSRange{start, end - start} : NSRange{start, 0};
}

} // namespace mw
