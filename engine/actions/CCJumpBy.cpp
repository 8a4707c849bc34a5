#include "engine/actions/CCJumpBy.h"

#include <math.h>

#include "engine/nodes/CCNode.h"

namespace mw {

void CCJumpBy::startWithTarget(CCNode* target)
{
    CCActionInterval::startWithTarget(target);
    startPosition_ = target->position();
}

void CCJumpBy::update(float t)
{
    if (!target_) return;
    const float frac = fmodf(t * jumps_, 1.0f);
    const float lift = 4 * height_ * frac * (1 - frac);
    target_->setPosition(CGPoint(startPosition_.x + delta_.x * t, startPosition_.y + delta_.y * t + lift));
}

} // namespace mw
