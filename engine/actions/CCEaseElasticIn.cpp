#include "engine/actions/CCEaseElasticIn.h"

#include <math.h>

#include "engine/actions/CCEaseElasticOut.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseElasticIn::copy() const { return makeRef<CCEaseElasticIn>(copiedInner(), period_); }

float CCEaseElasticIn::easedProgress(float t)
{
    const float period = usablePeriod(kDefaultPeriod);
    const float s = period / 4;
    const float u = t - 1;
    return -exp2f(10 * u) * sinf((u - s) * kCCTwoPi / period);
}

Ref<CCFiniteTimeAction> CCEaseElasticIn::reverse() const { return wrap<CCEaseElasticOut>(reversedInner(), period_); }

} // namespace mw
