#include "engine/actions/CCEaseElasticOut.h"

#include <math.h>

#include "engine/actions/CCEaseElasticIn.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

Ref<CCAction> CCEaseElasticOut::copy() const { return makeRef<CCEaseElasticOut>(copiedInner(), period_); }

void CCEaseElasticOut::update(float t)
{
    if (t == 0 || t == 1) {
        updateInner(t);
        return;
    }
    const float s = period_ / 4;
    updateInner(exp2f(-10 * t) * sinf((t - s) * kCCTwoPi / period_) + 1);
}

Ref<CCFiniteTimeAction> CCEaseElasticOut::reverse() const { return wrap<CCEaseElasticIn>(reversedInner(), period_); }

} // namespace mw
