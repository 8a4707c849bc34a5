#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// Starts fast and settles exponentially onto the end.
class CCEaseExponentialOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseExponentialOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseExponentialOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
