#pragma once

#include "engine/actions/CCActionInterval.h"
#include "foundation/Geometry.h"

namespace mw {

// Moves a node in a straight line to an absolute position. Every start
// reads the node's position afresh and aims at the same end point.
class CCMoveTo : public CCActionInterval {
public:
    CCMoveTo(float duration, CGPoint position) : CCActionInterval(duration), endPosition_(position) {}

    static Ref<CCMoveTo> actionWithDuration(float duration, CGPoint position)
    {
        return makeRef<CCMoveTo>(duration, position);
    }

    Ref<CCAction> copy() const override;
    void startWithTarget(CCNode* target) override;
    void update(float t) override;

protected:
    CGPoint endPosition_;
    CGPoint startPosition_;
    CGPoint delta_;
};

} // namespace mw
