#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// Backs up a little below the start before it moves to the end.
class CCEaseBackIn : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseBackIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseBackIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
