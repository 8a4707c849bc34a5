#include "engine/actions/CCBezierBy.h"

#include "engine/nodes/CCNode.h"

namespace mw {

void CCBezierBy::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startPosition_ = target->position();
}

void CCBezierBy::update(float t)
{
    if (!target_) return;
    const CGPoint offset = ccBezierPointAt(config_, t);
    target_->setPosition(CGPoint(startPosition_.x + offset.x, startPosition_.y + offset.y));
}

} // namespace mw
