#include "engine/actions/CCPlace.h"

#include "engine/nodes/CCNode.h"

namespace mw {

void CCPlace::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (target) target->setPosition(position_);
}

} // namespace mw
