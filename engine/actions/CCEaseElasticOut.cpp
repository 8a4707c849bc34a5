#include "engine/actions/CCEaseElasticOut.h"

#include <math.h>

#include "engine/actions/CCEaseElasticIn.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseElasticOut::copy() const { return makeRef<CCEaseElasticOut>(copiedInner(), period_); }

float CCEaseElasticOut::easedProgress(float t)
{
    const float period = usablePeriod(kDefaultPeriod);
    const float s = period / 4;
    return exp2f(-10 * t) * sinf((t - s) * kCCTwoPi / period) + 1;
}

Ref<CCFiniteTimeAction> CCEaseElasticOut::reverse() const { return wrap<CCEaseElasticIn>(reversedInner(), period_); }

} // namespace mw
