#include "engine/actions/CCEaseBounce.h"

#include "engine/base/ccCurveConstants.h"

namespace mw {

float CCEaseBounce::bounceTime(float t)
{
    // The breakpoints are compared in double precision; the offsets and the
    // rest of the arithmetic are single precision, which the exact touch
    // points at the breakpoints rely on.
    if (t < kCCBounceLandings[0]) {
        return kCCBounceStiffness * t * t;
    }
    if (t < kCCBounceLandings[1]) {
        t -= kCCBouncePeaks[0];
        return kCCBounceStiffness * t * t + kCCBouncePeakValues[0];
    }
    if (t < kCCBounceLandings[2]) {
        t -= kCCBouncePeaks[1];
        return kCCBounceStiffness * t * t + kCCBouncePeakValues[1];
    }
    t -= kCCBouncePeaks[2];
    return kCCBounceStiffness * t * t + kCCBouncePeakValues[2];
}

Ref<CCAction> CCEaseBounce::copy() const { return makeRef<CCEaseBounce>(copiedInner()); }

Ref<CCFiniteTimeAction> CCEaseBounce::reverse() const { return wrap<CCEaseBounce>(reversedInner()); }

} // namespace mw
