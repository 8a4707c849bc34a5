#pragma once

#include <cfloat>

#include "engine/base/ccCurveConstants.h"

namespace mw {

inline constexpr float CC_DEGREES_TO_RADIANS_FACTOR = kCCPi / 180;  // as nodes use it: 0.017453292f

inline constexpr float CC_DEGREES_TO_RADIANS(float degrees) { return degrees * CC_DEGREES_TO_RADIANS_FACTOR; }
inline constexpr float CC_RADIANS_TO_DEGREES(float radians) { return radians * 57.29577951f; }

// The repeat count that means "for ever" for scheduled selectors (-2 read as unsigned).
inline constexpr unsigned int kCCRepeatForever = 0xFFFFFFFEu;

// Tag of a node or action that carries none.
inline constexpr int kCCNodeTagInvalid = -1;
inline constexpr int kCCActionTagInvalid = -1;

} // namespace mw
