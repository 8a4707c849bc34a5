#include "engine/actions/CCEaseInOut.h"

#include <math.h>

namespace mw {

Ref<CCAction> CCEaseInOut::copy() const { return makeRef<CCEaseInOut>(copiedInner(), rate_); }

float CCEaseInOut::easedProgress(float t)
{
    const float u = t * 2;
    if (u < 1) {
        return 0.5f * powf(u, rate_);
    }
    // The second half mirrors the first about the middle. The power is taken
    // of the distance to the end, (2 - u), which is never negative: a
    // negative base has no real power for a rate that is not a whole number.
    // For whole rates this gives the same bits as powering (u - 2) and
    // fixing the sign by the rate's parity.
    return 1 - 0.5f * powf(2 - u, rate_);
}

// The curve is symmetric, so it keeps its rate.
Ref<CCFiniteTimeAction> CCEaseInOut::reverse() const { return wrap<CCEaseInOut>(reversedInner(), rate_); }

} // namespace mw
