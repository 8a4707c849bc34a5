#pragma once

#include "engine/actions/CCEaseElastic.h"

namespace mw {

// Snaps past the end and swings around it, settling onto it. A period of 0 divides by zero: pass a positive one.
class CCEaseElasticOut : public CCEaseElastic {
public:
    using CCEaseElastic::CCEaseElastic;

    static Ref<CCEaseElasticOut> actionWithAction(Ref<CCActionInterval> action, float period = kDefaultPeriod)
    {
        return makeRef<CCEaseElasticOut>(std::move(action), period);
    }

    Ref<CCAction> copy() const override;
    void update(float t) override;
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
