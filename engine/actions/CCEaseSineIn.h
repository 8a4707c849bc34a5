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
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
