#pragma once

#include "engine/actions/CCEaseBounce.h"

namespace mw {

// Bounces three times, ever higher, before it leaves the start.
class CCEaseBounceIn : public CCEaseBounce {
public:
    using CCEaseBounce::CCEaseBounce;

    static Ref<CCEaseBounceIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBounceIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
