#include "engine/actions/CCMoveBy.h"

#include "engine/base/CGPointExtension.h"

namespace mw {

void CCMoveBy::startWithTarget(CCNode* target)
{
    // The move-to start turns the end point into the offset; keep ours.
    const CGPoint offset = delta_;
    CCMoveTo::startWithTarget(target);
    delta_ = offset;
}

Ref<CCFiniteTimeAction> CCMoveBy::reverse() const { return makeRef<CCMoveBy>(duration_, ccpNeg(delta_)); }

} // namespace mw
