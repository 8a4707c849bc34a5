#include "engine/actions/CCRotateTo.h"

#include <math.h>

#include "engine/nodes/CCNode.h"

namespace mw {

void CCRotateTo::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    const float rotation = target->rotation();
    startAngle_ = rotation > 0 ? fmodf(rotation, 360.0f) : fmodf(rotation, -360.0f);
    diffAngle_ = dstAngle_ - startAngle_;
    if (diffAngle_ > 180) diffAngle_ -= 360;
    if (diffAngle_ < -180) diffAngle_ += 360;
}

void CCRotateTo::update(float t)
{
    if (target_) target_->setRotation(startAngle_ + diffAngle_ * t);
}

} // namespace mw
