#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// A soft start and a soft stop: half a cosine wave.
class CCEaseSineInOut : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseSineInOut> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseSineInOut>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
