#pragma once

#include "engine/actions/CCMoveTo.h"

namespace mw {

// Moves a node in a straight line by an offset from wherever it is at start.
class CCMoveBy : public CCMoveTo {
public:
    CCMoveBy(float duration, CGPoint offset) : CCMoveTo(duration, CGPointZero) { delta_ = offset; }

    static Ref<CCMoveBy> actionWithDuration(float duration, CGPoint offset)
    {
        return makeRef<CCMoveBy>(duration, offset);
    }

    Ref<CCAction> copy() const override { return makeRef<CCMoveBy>(duration_, delta_); }
    void startWithTarget(CCNode* target) override;
    // The same move with the offset negated.
    Ref<CCFiniteTimeAction> reverse() const override;
};

} // namespace mw
