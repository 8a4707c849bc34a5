#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// Exponential speed-up to the middle, exponential settle after it.
class CCEaseExponentialInOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseExponentialInOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseExponentialInOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
