#pragma once

#include "engine/actions/CCEaseElastic.h"

namespace mw {

// Swings ever wider around the start before it snaps to the end. A period of 0 divides by zero: pass a positive one.
class CCEaseElasticIn : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticIn> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticIn>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
