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
    float period_;
};

} // namespace mw
