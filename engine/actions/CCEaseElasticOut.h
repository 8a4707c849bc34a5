#pragma once

#include "engine/actions/CCEaseElastic.h"

namespace mw {

// Snaps past the end and swings around it, settling onto it. A period that gives no curve (0, for one) is
// replaced, for good, by 0.3 at the first update between the ends.
class CCEaseElasticOut : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticOut> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticOut>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    Ref<CCFiniteTimeAction> reverse() const override;

protected:
    float easedProgress(float t) override;
};

} // namespace mw
