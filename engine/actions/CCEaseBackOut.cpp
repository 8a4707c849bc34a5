#include "engine/actions/CCEaseBackOut.h"

#include <math.h>

#include "engine/actions/CCEaseBackIn.h"

namespace mw {

namespace {

inline constexpr float kBackOvershoot = 1.70158f;  // gives a 10% overshoot

} // namespace

Ref<CCAction> CCEaseBackOut::copy() const { return makeRef<CCEaseBackOut>(copiedInner()); }

float CCEaseBackOut::easedProgress(float t)
{
    const float overshoot = kBackOvershoot;
    const float u = t - 1;
    return u * u * ((overshoot + 1) * u + overshoot) + 1;
}

Ref<CCFiniteTimeAction> CCEaseBackOut::reverse() const { return wrap<CCEaseBackIn>(reversedInner()); }

} // namespace mw
