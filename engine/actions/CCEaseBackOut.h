#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// Overshoots the end a little and comes back to it.
class CCEaseBackOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseBackOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBackOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
