#include "engine/actions/CCEaseInOut.h"

#include <math.h>

namespace mw {

Ref<CCAction> CCEaseInOut::copy() const { return makeRef<CCEaseInOut>(copiedInner(), rate_); }

void CCEaseInOut::update(float t)
{
    const float u = t * 2;
    if (u < 1) {
        updateInner(0.5f * powf(u, rate_));
        return;
    }
    // The second half mirrors the first; an even power loses the sign of
    // (u - 2), so the mirror flips with the parity of the rate.
    const bool oddRate = static_cast<int>(rate_) % 2 != 0;
    const float sign = oddRate ? 1.0f : -1.0f;
    updateInner(sign * 0.5f * (powf(u - 2, rate_) + sign * 2));
}

// The curve is symmetric, so it keeps its rate.
Ref<CCFiniteTimeAction> CCEaseInOut::reverse() const { return wrap<CCEaseInOut>(reversedInner(), rate_); }

} // namespace mw
