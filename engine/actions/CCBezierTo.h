#pragma once

#include "engine/actions/CCBezierBy.h"

namespace mw {

// Moves a node along a cubic curve given in absolute points. Every start
// makes the curve relative to where the node is then, so a restarted curve
// still ends on the same point.
class CCBezierTo : public CCBezierBy {
public:
    CCBezierTo(float duration, const ccBezierConfig& config) : CCBezierBy(duration, config), toConfig_(config) {}

    static Ref<CCBezierTo> actionWithDuration(float duration, const ccBezierConfig& config)
    {
        return makeRef<CCBezierTo>(duration, config);
    }

    Ref<CCAction> copy() const override { return makeRef<CCBezierTo>(duration_, toConfig_); }
    void startWithTarget(CCNode* target) override;
    // Retraces the curve of the last start back to where that start began.
    Ref<CCFiniteTimeAction> reverse() const override;

private:
    ccBezierConfig toConfig_;  // absolute, as given at creation
};

} // namespace mw
