#include "engine/actions/CCEaseSineOut.h"

#include <math.h>

#include "engine/actions/CCEaseSineIn.h"

namespace mw {

namespace {

inline constexpr float kHalfPi = 1.5707964f;  // pi / 2 in single precision

} // namespace

Ref<CCAction> CCEaseSineOut::copy() const { return makeRef<CCEaseSineOut>(copiedInner()); }

float CCEaseSineOut::easedProgress(float t)
{
    return sinf(t * kHalfPi);
}

Ref<CCFiniteTimeAction> CCEaseSineOut::reverse() const { return wrap<CCEaseSineIn>(reversedInner()); }

} // namespace mw
