#pragma once

#include "engine/actions/CCActionEase.h"
#include "engine/base/ccCurveConstants.h"

namespace mw {

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

} // namespace mw
