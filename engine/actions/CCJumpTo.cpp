#include "engine/actions/CCJumpTo.h"

#include "engine/base/CGPointExtension.h"

namespace mw {

void CCJumpTo::startWithTarget(CCNode* target)
{
    CCJumpBy::startWithTarget(target);
    delta_ = ccpSub(endPosition_, startPosition_);
}

} // namespace mw
