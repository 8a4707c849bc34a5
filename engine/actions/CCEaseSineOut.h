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
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
