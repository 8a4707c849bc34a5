#include "engine/actions/CCRotateBy.h"

#include "engine/nodes/CCNode.h"

namespace mw {

void CCRotateBy::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startAngle_ = target->rotation();
}

void CCRotateBy::update(float t)
{
    if (target_) target_->setRotation(startAngle_ + angle_ * t);
}

} // namespace mw
