#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

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
    float rate_;
};

} // namespace mw
