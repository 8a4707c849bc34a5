#include "engine/actions/CCActionCamera.h"

#include "engine/actions/CCReverseTime.h"
#include "engine/nodes/CCCamera.h"
#include "engine/nodes/CCNode.h"

namespace mw {

void CCActionCamera::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    CCCamera* camera = target->camera();
    camera->centerX(&centerXOrig_, &centerYOrig_, &centerZOrig_);
    camera->eyeX(&eyeXOrig_, &eyeYOrig_, &eyeZOrig_);
    camera->upX(&upXOrig_, &upYOrig_, &upZOrig_);
}

Ref<CCFiniteTimeAction> CCActionCamera::reverse() const
{
    // A copy rather than this very action, so that the two may run at once.
    return CCReverseTime::actionWithAction(copyAs<CCFiniteTimeAction>(*this).get());
}

} // namespace mw
