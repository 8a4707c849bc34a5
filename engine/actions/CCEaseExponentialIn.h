#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// Starts almost still and speeds up exponentially; its curve jumps from 0.999 to exactly 1 at the end.
class CCEaseExponentialIn : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseExponentialIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseExponentialIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
