#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// Backs up at the start and overshoots at the end.
class CCEaseBackInOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseBackInOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBackInOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
