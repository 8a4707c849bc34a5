#pragma once

#include "engine/actions/CCJumpBy.h"

namespace mw {

// Hops a node to an absolute position. Every start measures the offset from
// where the node is then, so a restarted jump still lands on the same point.
class CCJumpTo : public CCJumpBy {
public:
    CCJumpTo(float duration, CGPoint position, float height, uint32_t jumps)
        : CCJumpBy(duration, position, height, jumps), endPosition_(position)
    {
    }

    static Ref<CCJumpTo> actionWithDuration(float duration, CGPoint position, float height, uint32_t jumps)
    {
        return makeRef<CCJumpTo>(duration, position, height, jumps);
    }

    Ref<CCAction> copy() const override { return makeRef<CCJumpTo>(duration_, endPosition_, height_, jumps_); }
    void startWithTarget(CCNode* target) override;
    // Hops back to where the last start began.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCJumpTo>(duration_, startPosition_, height_, jumps_);
    }

private:
    CGPoint endPosition_;  // absolute, as given at creation
};

} // namespace mw
