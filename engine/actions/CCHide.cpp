#include "engine/actions/CCHide.h"

#include "engine/actions/CCShow.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCHide::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (target) target->setVisible(false);
}

Ref<CCFiniteTimeAction> CCHide::reverse() const { return makeRef<CCShow>(); }

} // namespace mw
