#pragma once

#include <cstdint>

namespace mw {

// The byte the fading and tinting actions write for a channel value: the
// value truncated toward zero, keeping its low 8 bits. Nothing clamps, so a
// tint-by that carries a channel past 255 wraps (200 + 100 gives 44).
inline uint8_t ccColorByte(float value) { return static_cast<uint8_t>(static_cast<int32_t>(value)); }

} // namespace mw
