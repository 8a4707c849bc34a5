#include "engine/actions/CCBezierByVorn.h"

#include "engine/nodes/CCNode.h"

namespace mw {

void CCBezierByVorn::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startPosition_ = target->position();
}

void CCBezierByVorn::update(float t)
{
    if (!target_) return;
    const CGPoint offset = ccBezierPointAt(config_, t);
    target_->setPosition(CGPoint(startPosition_.x + offset.x, startPosition_.y + offset.y));
}

} // namespace mw
