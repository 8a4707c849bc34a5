#include "engine/actions/CCEaseElasticInOut.h"

#include <math.h>

#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseElasticInOut::copy() const { return makeRef<CCEaseElasticInOut>(copiedInner(), period_); }

void CCEaseElasticInOut::update(float t)
{
    if (t == 0 || t == 1) {
        updateInner(t);
        return;
    }
    // A zero period would divide by zero; the replacement stays for later
    // updates and copies.
    if (period_ == 0) period_ = kCCEaseElasticInOutZeroPeriod;
    const float s = period_ / 4;
    const float u = t * 2 - 1;
    if (u < 0) {
        updateInner(-0.5f * exp2f(10 * u) * sinf((u - s) * kCCTwoPi / period_));
    } else {
        updateInner(exp2f(-10 * u) * sinf((u - s) * kCCTwoPi / period_) * 0.5f + 1);
    }
}

Ref<CCFiniteTimeAction> CCEaseElasticInOut::reverse() const { return wrap<CCEaseElasticInOut>(reversedInner(), period_); }

} // namespace mw
