#pragma once

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/ccBezierConfig.h"

namespace mw {

// The village walkers' curve step: a relative cubic curve like CCBezierBy,
// kept as a class of its own so that the walkers' sequences copy and
// reverse into walker steps.
class CCBezierByVorn : public CCActionInterval {
public:
    CCBezierByVorn(float duration, const ccBezierConfig& config) : CCActionInterval(duration), config_(config) {}

    static Ref<CCBezierByVorn> actionWithDuration(float duration, const ccBezierConfig& config)
    {
        return makeRef<CCBezierByVorn>(duration, config);
    }

    Ref<CCAction> copy() const override { return makeRef<CCBezierByVorn>(duration_, config_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // Retraces the curve from its end back to its start.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCBezierByVorn>(duration_, ccBezierReversed(config_));
    }

private:
    ccBezierConfig config_;
    CGPoint startPosition_;
};

} // namespace mw
