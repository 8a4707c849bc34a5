#pragma once

#include "engine/actions/CCEaseBounce.h"

namespace mw {

// Hits the end and bounces three times, ever lower.
class CCEaseBounceOut : public CCEaseBounce {
public:
    using CCEaseBounce::CCEaseBounce;

    static Ref<CCEaseBounceOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBounceOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
