#include "engine/actions/CCEaseBackIn.h"

#include <math.h>

#include "engine/actions/CCEaseBackOut.h"

namespace mw {

namespace {

inline constexpr float kBackOvershoot = 1.70158f;  // gives a 10% overshoot

} // namespace

Ref<CCAction> CCEaseBackIn::copy() const { return makeRef<CCEaseBackIn>(copiedInner()); }

float CCEaseBackIn::easedProgress(float t)
{
    const float overshoot = kBackOvershoot;
    return t * t * ((overshoot + 1) * t - overshoot);
}

Ref<CCFiniteTimeAction> CCEaseBackIn::reverse() const { return wrap<CCEaseBackOut>(reversedInner()); }

} // namespace mw
