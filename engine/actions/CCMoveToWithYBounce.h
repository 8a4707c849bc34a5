#pragma once

#include "engine/actions/CCActionInterval.h"
#include "foundation/Geometry.h"

namespace mw {

// Drops a node onto an absolute position: x moves at a constant speed while
// y follows the bounce-out curve, so the node hits its place and bounces
// three times, ever lower. Bonus items land this way.
class CCMoveToWithYBounce : public CCActionInterval {
public:
    CCMoveToWithYBounce(float duration, CGPoint position) : CCActionInterval(duration), endPosition_(position) {}

    static Ref<CCMoveToWithYBounce> actionWithDuration(float duration, CGPoint position)
    {
        return makeRef<CCMoveToWithYBounce>(duration, position);
    }

    // The bounce-out curve (the same as the bounce eases').
    static float bounceTime(float t);

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

private:
    CGPoint endPosition_;
    CGPoint startPosition_;
    CGPoint delta_;
};

} // namespace mw
