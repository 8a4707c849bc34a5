#include "engine/actions/CCEaseElasticInOut.h"

#include <math.h>

#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseElasticInOut::copy() const { return makeRef<CCEaseElasticInOut>(copiedInner(), period_); }

float CCEaseElasticInOut::easedProgress(float t)
{
    const float period = usablePeriod(kCCEaseElasticInOutZeroPeriod);
    const float s = period / 4;
    const float u = t * 2 - 1;
    if (u < 0) {
        return -0.5f * exp2f(10 * u) * sinf((u - s) * kCCTwoPi / period);
    }
    return exp2f(-10 * u) * sinf((u - s) * kCCTwoPi / period) * 0.5f + 1;
}

Ref<CCFiniteTimeAction> CCEaseElasticInOut::reverse() const { return wrap<CCEaseElasticInOut>(reversedInner(), period_); }

} // namespace mw
