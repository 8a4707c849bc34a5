#pragma once

#include <cstdint>

namespace mw {

// The smallest power of two that is at least x: 0 -> 0, 1 -> 1, 5 -> 8, 65 -> 128.
// Values above 2^31 wrap to 0.
inline constexpr uint32_t ccNextPOT(uint32_t x)
{
    x = x - 1;
    x = x | (x >> 1);
    x = x | (x >> 2);
    x = x | (x >> 4);
    x = x | (x >> 8);
    x = x | (x >> 16);
    return x + 1;
}

} // namespace mw
