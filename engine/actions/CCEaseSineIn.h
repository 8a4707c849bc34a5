#pragma once

#include "engine/actions/CCActionEase.h"

namespace mw {

// A soft start: a quarter cosine wave.
class CCEaseSineIn : public CCActionEase {
public:
    using CCActionEase::CCActionEase;

    static Ref<CCEaseSineIn> actionWithAction(Ref<CCActionInterval> action)
    {
        return makeRef<CCEaseSineIn>(std::move(action));
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
