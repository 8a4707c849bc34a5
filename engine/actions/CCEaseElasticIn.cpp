#include "engine/actions/CCEaseElasticIn.h"

#include <math.h>

#include "engine/actions/CCEaseElasticOut.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseElasticIn::copy() const { return makeRef<CCEaseElasticIn>(copiedInner(), period_); }

void CCEaseElasticIn::update(float t)
{
    if (t == 0 || t == 1) {
        updateInner(t);
        return;
    }
    const float s = period_ / 4;
    const float u = t - 1;
    updateInner(-exp2f(10 * u) * sinf((u - s) * kCCTwoPi / period_));
}

Ref<CCFiniteTimeAction> CCEaseElasticIn::reverse() const { return wrap<CCEaseElasticOut>(reversedInner(), period_); }

} // namespace mw
