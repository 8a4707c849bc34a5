#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// Starts almost still and speeds up exponentially; ends at 0.999, never exactly 1.
class CCEaseExponentialIn : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseExponentialIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseExponentialIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
