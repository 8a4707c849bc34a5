#include "engine/actions/CCToggleVisibility.h"

#include "engine/nodes/CCNode.h"

namespace mw {

void CCToggleVisibility::startWithTarget(CCNode* target)
{
    CCActionInstant::startWithTarget(target);
    if (target) target->setVisible(!target->visible());
}

} // namespace mw
