#pragma once

#include <cstdint>

#include "engine/actions/CCActionInterval.h"
#include "foundation/Geometry.h"

namespace mw {

// Moves a node by an offset in a number of parabolic hops of a given height;
// it lands on the straight line from start to end at every whole hop.
class CCJumpBy : public CCActionInterval {
public:
    CCJumpBy(float duration, CGPoint position, float height, uint32_t jumps)
        : CCActionInterval(duration), delta_(position), height_(height), jumps_(jumps)
    {
    }

    static Ref<CCJumpBy> actionWithDuration(float duration, CGPoint position, float height, uint32_t jumps)
    {
        return makeRef<CCJumpBy>(duration, position, height, jumps);
    }

    Ref<CCAction> copy() const override { return makeRef<CCJumpBy>(duration_, delta_, height_, jumps_); }
    void startWithTarget(CCNode* target) override;
    void update(float t) override;
    // Hops back by the negated offset.
    Ref<CCFiniteTimeAction> reverse() const override
    {
        return makeRef<CCJumpBy>(duration_, CGPoint(-delta_.x, -delta_.y), height_, jumps_);
    }

protected:
    CGPoint startPosition_;
    CGPoint delta_;
    float height_;
    uint32_t jumps_;
};

} // namespace mw
