#pragma once

#include "engine/actions/CCEaseRateAction.h"

namespace mw {

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

} // namespace mw
