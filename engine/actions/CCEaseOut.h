#pragma once

#include "engine/actions/CCEaseRateAction.h"

namespace mw {

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

} // namespace mw
