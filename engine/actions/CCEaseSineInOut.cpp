#include "engine/actions/CCEaseSineInOut.h"

#include <math.h>

namespace mw {

namespace {

inline constexpr float kPi = 3.1415927f;

} // namespace

Ref<CCAction> CCEaseSineInOut::copy() const { return makeRef<CCEaseSineInOut>(copiedInner()); }

float CCEaseSineInOut::easedProgress(float t)
{
    return -0.5f * (cosf(kPi * t) - 1);
}

Ref<CCFiniteTimeAction> CCEaseSineInOut::reverse() const { return wrap<CCEaseSineInOut>(reversedInner()); }

} // namespace mw
