#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// A soft stop: a quarter sine wave.
class CCEaseSineOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseSineOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseSineOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
