// The eases: each wraps an interval action and reshapes the progress it passes on.

#pragma once

#include <cmath>

#include "engine/actions/CCActionInterval.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

// Wraps one interval action and reshapes its time curve: it lasts as long as
// the inner action, runs it on the same node and passes it a progress f(t)
// instead of the linear t. This base passes t unchanged; each easing class
// overrides easedProgress() with its curve. The inner action is retained for
// the ease's whole life.
class CCActionEase : public CCActionInterval {
public:
    // A null inner action gives an ease of FLT_EPSILON that drives nothing.
    explicit CCActionEase(Ref<CCActionInterval> action);

    static Ref<CCActionEase> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCActionEase>(std::move(action));
    }

    // The receiver's class around a copy of the inner action.
    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    // Stops the inner action, then the ease.
    void stop() override;
    // Passes 0 and 1 on exactly, whatever a curve gives there, so that an
    // eased action ends where it would without the ease and whatever is
    // sequenced after it runs; any other t goes through easedProgress().
    void update(float t) final;
    // The receiver's class around the inner action's reverse; null when the
    // inner action has none.
    Ref<CCFiniteTimeAction> reverse() const override;

    CCActionInterval* innerAction() const { return other_.get(); }

protected:
    // The curve: the progress the inner action gets for t strictly between
    // the ends. It must not be NaN for any parameter a caller can set.
    virtual float easedProgress(float t) { return t; }
    // Passes an eased progress on (nothing happens without an inner action).
    void updateInner(float easedProgress);
    Ref<CCActionInterval> copiedInner() const;
    // The inner action's reverse when it is an interval action, else null.
    Ref<CCActionInterval> reversedInner() const;

    // An ease of class E around `inner` (with extra constructor arguments),
    // or null when there is no inner action: a reverse of an action that
    // cannot be reversed is itself no action.
    template <typename E, typename... Args>
    static Ref<CCFiniteTimeAction> wrap(Ref<CCActionInterval> inner, Args... args)
    {
        if (!inner) return nullptr;
        return makeRef<E>(std::move(inner), args...);
    }

    Ref<CCActionInterval> other_;
};

// An ease whose curve is a power of the progress; the base of the rate
// curves. This class itself passes the progress unchanged.
class CCEaseRateAction : public CCActionEase {
public:
    CCEaseRateAction(Ref<CCActionInterval> action, float rate) : CCActionEase(std::move(action)), rate_(rate) {}

    static Ref<CCEaseRateAction> actionWithAction(Ref<CCActionInterval> action, float rate)
    {
        return makeRef<CCEaseRateAction>(std::move(action), rate);
    }

    float rate() const { return rate_; }
    void setRate(float rate) { rate_ = rate; }

    // Keeps the rate.
    Ref<CCAction> copy() const override;
    // The receiver's class around the inner reverse, with rate 1/rate.
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    // The rate the curve uses: one that is not a number gives the straight
    // line, so a NaN set by a caller never reaches the node.
    float usableRate() const { return std::isnan(rate_) ? 1.0f : rate_; }

    float rate_;
};

// Starts slowly: passes progress^rate. A rate of 1 is linear.
class CCEaseIn : public CCEaseRateAction {
public:
    using CCEaseRateAction::CCEaseRateAction;

    static Ref<CCEaseIn> actionWithAction(Ref<CCActionInterval> action, float rate)
    {
        return makeRef<CCEaseIn>(std::move(action), rate);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Stops softly: passes progress^(1/rate). Meant for positive rates; any other still ends exactly at 0 and 1.
class CCEaseOut : public CCEaseRateAction {
public:
    using CCEaseRateAction::CCEaseRateAction;

    static Ref<CCEaseOut> actionWithAction(Ref<CCActionInterval> action, float rate)
    {
        return makeRef<CCEaseOut>(std::move(action), rate);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Speeds up to the middle and slows down after it, both halves by the rate.
class CCEaseInOut : public CCEaseRateAction {
public:
    using CCEaseRateAction::CCEaseRateAction;

    static Ref<CCEaseInOut> actionWithAction(Ref<CCActionInterval> action, float rate)
    {
        return makeRef<CCEaseInOut>(std::move(action), rate);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Starts almost still and speeds up exponentially; its curve jumps from 0.999 to exactly 1 at the end.
class CCEaseExponentialIn : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseExponentialIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseExponentialIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Starts fast and settles exponentially onto the end.
class CCEaseExponentialOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseExponentialOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseExponentialOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Exponential speed-up to the middle, exponential settle after it; 0 and 1 exactly at the ends.
class CCEaseExponentialInOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseExponentialInOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseExponentialInOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// A soft start: a quarter cosine wave.
class CCEaseSineIn : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseSineIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseSineIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// A soft stop: a quarter sine wave.
class CCEaseSineOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseSineOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseSineOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// A soft start and a soft stop: half a cosine wave.
class CCEaseSineInOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseSineInOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseSineInOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// The base of the springy curves: a decaying sine wave whose period (in
// units of the action's progress) is set here. It passes the progress
// unchanged and has no reverse of its own.
class CCEaseElastic : public CCActionEase {
public:
    static constexpr float kDefaultPeriod = kCCEaseElasticDefaultPeriod;

    explicit CCEaseElastic(Ref<CCActionInterval> action, float period = kDefaultPeriod)
        : CCActionEase(std::move(action)), period_(period)
    {
    }

    static Ref<CCEaseElastic> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElastic>(std::move(action), period);
    }

    float period() const { return period_; }
    void setPeriod(float period) { period_ = period; }

    // Keeps the period.
    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override { return nullptr; }

protected:
    // A period below this in size (zero included) gives no curve: near 2e-38
    // the curves' phase, (t - period/4) x 2pi / period, overflows to
    // infinity, whose sine is NaN, and well before that it spins through
    // 1e30 turns within one action.
    static constexpr float kShortestPeriod = 1e-30f;

    // The period the curves use: one that gives no curve (shorter than
    // kShortestPeriod in size, infinite or NaN) is replaced by `substitute`
    // for good, so later updates, copies and reverses keep the replacement.
    float usablePeriod(float substitute);

    float period_;
};

// Swings ever wider around the start before it snaps to the end. A period that gives no curve (0, for one)
// is replaced, for good, by 0.3 at the first update between the ends.
class CCEaseElasticIn : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticIn> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticIn>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Snaps past the end and swings around it, settling onto it. A period that gives no curve (0, for one) is
// replaced, for good, by 0.3 at the first update between the ends.
class CCEaseElasticOut : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticOut> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticOut>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Swings around the start, then around the end. A period that gives no curve (0, for one) is replaced,
// for good, by 0.45 at the first update between the ends.
class CCEaseElasticInOut : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticInOut> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticInOut>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// The base of the bouncing curves; provides the bounce-out curve they share
// (with the bouncing move). This class itself passes the progress unchanged.
class CCEaseBounce : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseBounce> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBounce>(std::move(action));
    }

    // 0 at 0, touching 1 at 1/2.75, 2/2.75 and 2.5/2.75 between bounces of
    // heights 0.25, 0.0625 and 0.015625 below 1, and 1 at 1.
    static float bounceTime(float t);

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

// Bounces three times, ever higher, before it leaves the start.
class CCEaseBounceIn : public CCEaseBounce {
public:
    using CCEaseBounce::CCEaseBounce;

    static Ref<CCEaseBounceIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBounceIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Hits the end and bounces three times, ever lower.
class CCEaseBounceOut : public CCEaseBounce {
public:
    using CCEaseBounce::CCEaseBounce;

    static Ref<CCEaseBounceOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBounceOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Bounces away from the start in the first half and onto the end in the second.
class CCEaseBounceInOut : public CCEaseBounce {
public:
    using CCEaseBounce::CCEaseBounce;

    static Ref<CCEaseBounceInOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBounceInOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Backs up a little below the start before it moves to the end.
class CCEaseBackIn : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseBackIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBackIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Overshoots the end a little and comes back to it.
class CCEaseBackOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseBackOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBackOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

// Backs up at the start and overshoots at the end.
class CCEaseBackInOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseBackInOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBackInOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
