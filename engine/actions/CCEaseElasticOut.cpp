#include "engine/actions/CCEaseElasticOut.h"

#include <math.h>

#include "engine/actions/CCEaseElasticIn.h"

namespace mw {

namespace {

inline constexpr float kTwoPi = 2 * 3.1415927f;

} // namespace

Ref<CCAction> CCEaseElasticOut::copy() const { return makeRef<CCEaseElasticOut>(copiedInner(), period_); }

float CCEaseElasticOut::easedProgress(float t)
{
    const float period = usablePeriod(kDefaultPeriod);
    const float s = period / 4;
    return exp2f(-10 * t) * sinf((t - s) * kTwoPi / period) + 1;
}

Ref<CCFiniteTimeAction> CCEaseElasticOut::reverse() const { return wrap<CCEaseElasticIn>(reversedInner(), period_); }

} // namespace mw
