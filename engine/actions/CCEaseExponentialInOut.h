#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

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

} // namespace mw
