#include "engine/actions/CCBezierTo.h"

#include "engine/base/CGPointExtension.h"

namespace mw {

void CCBezierTo::startWithTarget(CCNode* target)
{
    CCBezierBy::startWithTarget(target);
    config_.endPosition = ccpSub(toConfig_.endPosition, startPosition_);
    config_.controlPoint_1 = ccpSub(toConfig_.controlPoint_1, startPosition_);
    config_.controlPoint_2 = ccpSub(toConfig_.controlPoint_2, startPosition_);
}

Ref<CCFiniteTimeAction> CCBezierTo::reverse() const
{
    // Absolute points: back to the start, through the control points in
    // the opposite order.
    ccBezierConfig back;
    back.endPosition = startPosition_;
    back.controlPoint_1 = ccpAdd(startPosition_, config_.controlPoint_2);
    back.controlPoint_2 = ccpAdd(startPosition_, config_.controlPoint_1);
    return makeRef<CCBezierTo>(duration_, back);
}

} // namespace mw
