#pragma once

#include "engine/actions/CCActionInterval.h"
#include "engine/actions/ccBezierConfig.h"

namespace mw {

// Moves a node along a cubic curve whose points are relative to its
// position at start.
class CCBezierBy : public CCActionInterval {
public:
    CCBezierBy(float duration, const ccBezierConfig& config) : CCActionInterval(duration), config_(config) {}

    static Ref<CCBezierBy> actionWithDuration(float duration, const ccBezierConfig& config)
    {
        return makeRef<CCBezierBy>(duration, config);
    }

    Ref<CCAction> copy() const override { return makeRef<CCBezierBy>(duration_, config_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // Retraces the curve from its end back to its start.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCBezierBy>(duration_, ccBezierReversed(config_));
    }

protected:
    ccBezierConfig config_;
    CGPoint startPosition_;
};

} // namespace mw
