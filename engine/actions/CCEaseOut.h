#pragma once

#include "engine/actions/CCEaseRateAction.h"

namespace mw {

// Stops softly: passes progress^(1/rate). Callers pass positive rates.
class CCEaseOut : public CCEaseRateAction {
public:
    using CCEaseRateAction::CCEaseRateAction;

    static Ref<CCEaseOut> actionWithAction(Ref<CCActionInterval> action, float rate)
    {
        return makeRef<CCEaseOut>(std::move(action), rate);
    }

    Ref<CCAction> copy() const override;
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
