#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// The base of the bouncing curves; provides the bounce-out curve they share
// (with the bouncing move). This class itself passes the progress unchanged.
class CCEaseBounce : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseBounce> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBounce>(std::move(action));
    }

    // 0 at 0, touching 1 at 1/2.75, 2/2.75 and 2.5/2.75 between bounces of
    // heights 0.25, 0.0625 and 0.015625 below 1, and 1 at 1.
    static float bounceTime(float t);

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
