#include "engine/actions/CCEaseBounce.h"

namespace mw {

float CCEaseBounce::bounceTime(float t)
{
    // The breakpoints are compared in double precision; the offsets and the
    // rest of the arithmetic are single precision, which the exact touch
    // points at the breakpoints rely on.
    if (t < 1 / 2.75) {
        return 7.5625f * t * t;
    }
    if (t < 2 / 2.75) {
        t -= 1.5f / 2.75f;
        return 7.5625f * t * t + 0.75f;
    }
    if (t < 2.5 / 2.75) {
        t -= 2.25f / 2.75f;
        return 7.5625f * t * t + 0.9375f;
    }
    t -= 2.625f / 2.75f;
    return 7.5625f * t * t + 0.984375f;
}

Ref<CCAction> CCEaseBounce::copy() const { return makeRef<CCEaseBounce>(copiedInner()); }

Ref<CCFiniteTimeAction> CCEaseBounce::reverse() const { return wrap<CCEaseBounce>(reversedInner()); }

} // namespace mw
