#include "engine/actions/CCShow.h"

#include "engine/actions/CCHide.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCShow::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (target) target->setVisible(true);
}

Ref<CCFiniteTimeAction> CCShow::reverse() const { return makeRef<CCHide>(); }

} // namespace mw
