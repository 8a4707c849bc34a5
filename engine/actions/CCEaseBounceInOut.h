#pragma once

#include "engine/actions/CCEaseBounce.h"

namespace mw {

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

} // namespace mw
