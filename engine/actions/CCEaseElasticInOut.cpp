#include "engine/actions/CCEaseElasticInOut.h"

#include <math.h>

namespace mw {

namespace {

inline constexpr float kTwoPi = 2 * 3.1415927f;

} // namespace

Ref<CCAction> CCEaseElasticInOut::copy() const { return makeRef<CCEaseElasticInOut>(copiedInner(), period_); }

void CCEaseElasticInOut::update(float t)
{
    if (t == 0 || t == 1) {
        updateInner(t);
        return;
    }
    // A zero period would divide by zero; the replacement stays for later
    // updates and copies.
    if (period_ == 0) period_ = 0.3f * 1.5f;
    const float s = period_ / 4;
    const float u = t * 2 - 1;
    if (u < 0) {
        updateInner(-0.5f * exp2f(10 * u) * sinf((u - s) * kTwoPi / period_));
    } else {
        updateInner(exp2f(-10 * u) * sinf((u - s) * kTwoPi / period_) * 0.5f + 1);
    }
}

Ref<CCFiniteTimeAction> CCEaseElasticInOut::reverse() const { return wrap<CCEaseElasticInOut>(reversedInner(), period_); }

} // namespace mw
