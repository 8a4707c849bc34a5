#pragma once

#include "engine/actions/CCEaseElastic.h"

namespace mw {

// Swings around the start, then around the end. A period that gives no curve (0, for one) is replaced,
// for good, by 0.45 at the first update between the ends.
class CCEaseElasticInOut : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticInOut> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticInOut>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
