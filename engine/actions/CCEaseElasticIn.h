#pragma once

#include "engine/actions/CCEaseElastic.h"

namespace mw {

// Swings ever wider around the start before it snaps to the end. A period that gives no curve (0, for one)
// is replaced, for good, by 0.3 at the first update between the ends.
class CCEaseElasticIn : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticIn> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticIn>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
