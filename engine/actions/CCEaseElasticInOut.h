#pragma once

#include "engine/actions/CCEaseElastic.h"

namespace mw {

// Swings around the start, then around the end. A period of 0 is replaced, for good, by 0.45 at the first update.
class CCEaseElasticInOut : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticInOut> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticInOut>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
