#pragma once

#include "engine/actions/CCEaseRateAction.h"

namespace mw {

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

} // namespace mw
