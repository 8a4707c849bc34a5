#include "engine/actions/CCActionEase.h"

#include <math.h>

#include "engine/base/ccCurveConstants.h"

namespace mw {

CCActionEase::CCActionEase(Ref<CCActionInterval> action)
    : CCActionInterval(action ? action->duration() : 0.0f), other_(std::move(action))
{
}

Ref<CCAction> CCActionEase::copy() const { return makeRef<CCActionEase>(copiedInner()); }

void CCActionEase::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    if (other_) other_->startWithTarget(target);
}

void CCActionEase::stop()
{
    if (other_) other_->stop();
    CCActionInterval::stop();
}

void CCActionEase::update(float t)
{
    if (t == 0) {
        updateInner(0);
    } else if (t == 1) {
        updateInner(1);
    } else {
        updateInner(easedProgress(t));
    }
}

Ref<CCFiniteTimeAction> CCActionEase::reverse() const { return wrap<CCActionEase>(reversedInner()); }

void CCActionEase::updateInner(float easedProgress)
{
    if (other_) other_->update(easedProgress);
}

Ref<CCActionInterval> CCActionEase::copiedInner() const
{
    return other_ ? copyAs<CCActionInterval>(*other_) : nullptr;
}

Ref<CCActionInterval> CCActionEase::reversedInner() const
{
    if (!other_) return nullptr;
    return dynamicRef<CCActionInterval>(other_->reverse());
}

Ref<CCAction> CCEaseRateAction::copy() const { return makeRef<CCEaseRateAction>(copiedInner(), rate_); }

Ref<CCFiniteTimeAction> CCEaseRateAction::reverse() const
{
    return wrap<CCEaseRateAction>(reversedInner(), 1 / rate_);
}

Ref<CCAction> CCEaseIn::copy() const { return makeRef<CCEaseIn>(copiedInner(), rate_); }

float CCEaseIn::easedProgress(float t) { return powf(t, usableRate()); }

Ref<CCFiniteTimeAction> CCEaseIn::reverse() const { return wrap<CCEaseIn>(reversedInner(), 1 / rate_); }

Ref<CCAction> CCEaseOut::copy() const { return makeRef<CCEaseOut>(copiedInner(), rate_); }

float CCEaseOut::easedProgress(float t) { return powf(t, 1 / usableRate()); }

Ref<CCFiniteTimeAction> CCEaseOut::reverse() const { return wrap<CCEaseOut>(reversedInner(), 1 / rate_); }

Ref<CCAction> CCEaseInOut::copy() const { return makeRef<CCEaseInOut>(copiedInner(), rate_); }

float CCEaseInOut::easedProgress(float t)
{
    const float u = t * 2;
    if (u < 1) {
        return 0.5f * powf(u, usableRate());
    }
    // The second half mirrors the first about the middle. The power is taken
    // of the distance to the end, (2 - u), which is never negative: a
    // negative base has no real power for a rate that is not a whole number.
    // For whole rates this gives the same bits as powering (u - 2) and
    // fixing the sign by the rate's parity.
    return 1 - 0.5f * powf(2 - u, usableRate());
}

// The curve is symmetric, so it keeps its rate.
Ref<CCFiniteTimeAction> CCEaseInOut::reverse() const { return wrap<CCEaseInOut>(reversedInner(), rate_); }

Ref<CCAction> CCEaseExponentialIn::copy() const { return makeRef<CCEaseExponentialIn>(copiedInner()); }

float CCEaseExponentialIn::easedProgress(float t)
{
    // The curve itself ends at 0.999; the ease passes the ends on exactly.
    return exp2f(10 * (t - 1)) - 0.001f;
}

Ref<CCFiniteTimeAction> CCEaseExponentialIn::reverse() const { return wrap<CCEaseExponentialOut>(reversedInner()); }

Ref<CCAction> CCEaseExponentialOut::copy() const { return makeRef<CCEaseExponentialOut>(copiedInner()); }

float CCEaseExponentialOut::easedProgress(float t)
{
    return 1 - exp2f(-10 * t);
}

Ref<CCFiniteTimeAction> CCEaseExponentialOut::reverse() const { return wrap<CCEaseExponentialIn>(reversedInner()); }

Ref<CCAction> CCEaseExponentialInOut::copy() const { return makeRef<CCEaseExponentialInOut>(copiedInner()); }

float CCEaseExponentialInOut::easedProgress(float t)
{
    // The curve itself runs from 2^-11 to 1 - 2^-11; the ease passes the
    // ends on exactly.
    const float u = t * 2;
    if (u < 1) {
        return 0.5f * exp2f(10 * (u - 1));
    }
    return 0.5f * (2 - exp2f(-10 * (u - 1)));
}

Ref<CCFiniteTimeAction> CCEaseExponentialInOut::reverse() const { return wrap<CCEaseExponentialInOut>(reversedInner()); }

Ref<CCAction> CCEaseSineIn::copy() const { return makeRef<CCEaseSineIn>(copiedInner()); }

float CCEaseSineIn::easedProgress(float t)
{
    return 1 - cosf(t * kCCHalfPi);
}

Ref<CCFiniteTimeAction> CCEaseSineIn::reverse() const { return wrap<CCEaseSineOut>(reversedInner()); }

Ref<CCAction> CCEaseSineOut::copy() const { return makeRef<CCEaseSineOut>(copiedInner()); }

float CCEaseSineOut::easedProgress(float t)
{
    return sinf(t * kCCHalfPi);
}

Ref<CCFiniteTimeAction> CCEaseSineOut::reverse() const { return wrap<CCEaseSineIn>(reversedInner()); }

Ref<CCAction> CCEaseSineInOut::copy() const { return makeRef<CCEaseSineInOut>(copiedInner()); }

float CCEaseSineInOut::easedProgress(float t)
{
    return -0.5f * (cosf(kCCPi * t) - 1);
}

Ref<CCFiniteTimeAction> CCEaseSineInOut::reverse() const { return wrap<CCEaseSineInOut>(reversedInner()); }

Ref<CCAction> CCEaseElastic::copy() const { return makeRef<CCEaseElastic>(copiedInner(), period_); }

float CCEaseElastic::usablePeriod(float substitute)
{
    if (!(fabsf(period_) >= kShortestPeriod) || isinf(period_)) {
        period_ = substitute;
    }
    return period_;
}

Ref<CCAction> CCEaseElasticIn::copy() const { return makeRef<CCEaseElasticIn>(copiedInner(), period_); }

float CCEaseElasticIn::easedProgress(float t)
{
    const float period = usablePeriod(kDefaultPeriod);
    const float s = period / 4;
    const float u = t - 1;
    return -exp2f(10 * u) * sinf((u - s) * kCCTwoPi / period);
}

Ref<CCFiniteTimeAction> CCEaseElasticIn::reverse() const { return wrap<CCEaseElasticOut>(reversedInner(), period_); }

Ref<CCAction> CCEaseElasticOut::copy() const { return makeRef<CCEaseElasticOut>(copiedInner(), period_); }

float CCEaseElasticOut::easedProgress(float t)
{
    const float period = usablePeriod(kDefaultPeriod);
    const float s = period / 4;
    return exp2f(-10 * t) * sinf((t - s) * kCCTwoPi / period) + 1;
}

Ref<CCFiniteTimeAction> CCEaseElasticOut::reverse() const { return wrap<CCEaseElasticIn>(reversedInner(), period_); }

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

Ref<CCAction> CCEaseBounceIn::copy() const { return makeRef<CCEaseBounceIn>(copiedInner()); }

float CCEaseBounceIn::easedProgress(float t)
{
    return 1 - bounceTime(1 - t);
}

Ref<CCFiniteTimeAction> CCEaseBounceIn::reverse() const { return wrap<CCEaseBounceOut>(reversedInner()); }

Ref<CCAction> CCEaseBounceOut::copy() const { return makeRef<CCEaseBounceOut>(copiedInner()); }

float CCEaseBounceOut::easedProgress(float t)
{
    return bounceTime(t);
}

Ref<CCFiniteTimeAction> CCEaseBounceOut::reverse() const { return wrap<CCEaseBounceIn>(reversedInner()); }

Ref<CCAction> CCEaseBounceInOut::copy() const { return makeRef<CCEaseBounceInOut>(copiedInner()); }

float CCEaseBounceInOut::easedProgress(float t)
{
    if (t < 0.5f) {
        return (1 - bounceTime(1 - t * 2)) * 0.5f;
    }
    return bounceTime(t * 2 - 1) * 0.5f + 0.5f;
}

Ref<CCFiniteTimeAction> CCEaseBounceInOut::reverse() const { return wrap<CCEaseBounceInOut>(reversedInner()); }

Ref<CCAction> CCEaseBackIn::copy() const { return makeRef<CCEaseBackIn>(copiedInner()); }

float CCEaseBackIn::easedProgress(float t)
{
    const float overshoot = kCCEaseBackOvershoot;
    return t * t * ((overshoot + 1) * t - overshoot);
}

Ref<CCFiniteTimeAction> CCEaseBackIn::reverse() const { return wrap<CCEaseBackOut>(reversedInner()); }

Ref<CCAction> CCEaseBackOut::copy() const { return makeRef<CCEaseBackOut>(copiedInner()); }

float CCEaseBackOut::easedProgress(float t)
{
    const float overshoot = kCCEaseBackOvershoot;
    const float u = t - 1;
    return u * u * ((overshoot + 1) * u + overshoot) + 1;
}

Ref<CCFiniteTimeAction> CCEaseBackOut::reverse() const { return wrap<CCEaseBackIn>(reversedInner()); }

Ref<CCAction> CCEaseBackInOut::copy() const { return makeRef<CCEaseBackInOut>(copiedInner()); }

float CCEaseBackInOut::easedProgress(float t)
{
    const float overshoot = kCCEaseBackOvershoot * kCCEaseBackInOutOvershootScale;
    const float u = t * 2;
    if (u < 1) {
        return u * u * ((overshoot + 1) * u - overshoot) * 0.5f;
    }
    const float v = u - 2;
    return v * v * ((overshoot + 1) * v + overshoot) * 0.5f + 1;
}

Ref<CCFiniteTimeAction> CCEaseBackInOut::reverse() const { return wrap<CCEaseBackInOut>(reversedInner()); }

} // namespace mw
