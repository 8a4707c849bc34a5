#include "engine/actions/CCEaseSineIn.h"

#include <math.h>

#include "engine/actions/CCEaseSineOut.h"

namespace mw {

namespace {

inline constexpr float kHalfPi = 1.5707964f;  // pi / 2 in single precision

} // namespace

Ref<CCAction> CCEaseSineIn::copy() const { return makeRef<CCEaseSineIn>(copiedInner()); }

float CCEaseSineIn::easedProgress(float t)
{
    return 1 - cosf(t * kHalfPi);
}

Ref<CCFiniteTimeAction> CCEaseSineIn::reverse() const { return wrap<CCEaseSineOut>(reversedInner()); }

} // namespace mw
